#pragma once

// What an engine session of the document carries from its opening to the settings.
namespace GmSession {

// Whether a new session's defaults replace the current edge-detection values (and a new image
// chooses its resolution): TakeDefaults for a new image, KeepSettings for a restored document
// whose stored values must survive.
enum SettingsPreservation : int { KeepSettings = 0, TakeDefaults = 1 };

// The analysis parameters a new session proposes: tolerance 0..1, the in-focus edge width in
// working pixels, the texture filter and the edge contrast.
struct AnalysisDefaults {
  float tolerance = 0;
  int width = 0;
  int texture = 0;
  int contrast = 0;
};

}  // namespace GmSession
