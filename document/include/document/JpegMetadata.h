#pragma once

#include <cstddef>

class QString;

// What a read of a JPEG file's marker segments yields. Only the orientation has readers; the
// frame fields come with the scan at no cost.
struct JpegMetadata {
  int orientation = 0;  // 0 unknown, else the Exif value 1..8
  int width = 0;        // of the frame, pixels
  int height = 0;
  bool isColour = false;  // the frame has exactly 3 components
  int frameMarker = 0;    // the start-of-frame marker, 0 when none was met
  // Asked for with JpegScan::ToEnd: an end-of-image marker follows the start of scan. Without
  // one the image data was cut short (a truncated file).
  bool complete = false;
};

// How far a read goes: the marker segments up to the start of scan, or on to the stream's end.
enum class JpegScan { Headers, ToEnd };

// Reads a JPEG's marker segments up to its start of scan and the orientation of its Exif
// segment. True when the scan reached the start of scan; otherwise false with `metadata`
// cleared: not a JPEG, a damaged or truncated stream, an unreadable file. Hostile input is
// reported through the log and never read out of bounds. Each call keeps its state to itself,
// so reads may run in any thread, also at the same time.
bool loadJpegMetadata(const QString& path, JpegMetadata& metadata,
                      JpegScan scan = JpegScan::Headers);
bool readJpegMetadata(const unsigned char* data, size_t size, JpegMetadata& metadata,
                      JpegScan scan = JpegScan::Headers);
