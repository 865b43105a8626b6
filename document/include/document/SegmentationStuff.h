#pragma once

#include <QObject>
#include <QPointer>
#include <QVariantMap>

#include "Corvane.h"
#include "document/EDOs.h"
#include "document/EdgeOutline.h"

class CvCmdAnalyseImage;
class GmRegion;

// The edge-detection settings of the image (owner null) or of one patch, the engine handles
// they work in, the edge outline of their last analysis and the analysis command in flight.
// GUI thread.
class SegmentationStuff : public QObject {
  Q_OBJECT

 public:
  // Default values; a patch's start as the image's, with current reverted to applied.
  explicit SegmentationStuff(GmRegion* owner, QObject* parent = nullptr);
  // From the stored map: values from "edos_", own settings from "isChecked_".
  SegmentationStuff(const QVariantMap& map, GmRegion* owner, QObject* parent = nullptr);

  QVariantMap toVariant() const;

  GmRegion* owner() const { return owner_; }
  EDOs& values() { return values_; }
  const EDOs& values() const { return values_; }
  EdgeOutline& edgeOutline() { return edgeOutline_; }
  const EdgeOutline& edgeOutline() const { return edgeOutline_; }

  // Engine handles (borrowed from the engine): the session these settings work in, and the
  // sub-session of the last analysis; null when none.
  CvSession* session() const { return session_; }
  void setSession(CvSession* session) { session_ = session; }
  CvSession* subSession() const { return subSession_; }
  void setSubSession(CvSession* subSession) { subSession_ = subSession; }
  // True when the sub-session holds an analysis result.
  bool hasAnalysis() const { return subSession_ && subSession_->segmented != 0; }

  // For a patch: it uses its own edge-detection values.
  bool ownSettings() const { return ownSettings_; }
  void setOwnSettings(bool own) { ownSettings_ = own; }

  // The analysis command in flight; null when none or once it is destroyed.
  const QPointer<CvCmdAnalyseImage>& analysisCommand() const { return analysisCommand_; }

  // Edge detection with these settings: applies the current values, cancels an analysis still
  // in flight and submits a new one for the owner (or the whole image). `panel`, when given,
  // has its setEnablednessOfButtons() slot run now and again when the command ends.
  void findEdges(QObject* panel = nullptr);
  // Empties the edge outline and has the image repainted.
  void clearEdges();
  // Rebuilds the edge outline from the engine's outline behind the sub-session (none without
  // one) and has the image repainted, the patch preview with it. Only while no command runs.
  void adoptEdges();

 private:
  GmRegion* owner_;
  EDOs values_;
  EdgeOutline edgeOutline_;
  CvSession* session_ = nullptr;
  CvSession* subSession_ = nullptr;
  bool ownSettings_ = false;
  QPointer<CvCmdAnalyseImage> analysisCommand_;
};
