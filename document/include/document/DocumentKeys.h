#pragma once

#include <QString>

// Every key of the document's keyed state as stored in project files. The strings are part of
// the stored format: never change one.
namespace documentKeys {

// The document.
inline const QString segImg = QStringLiteral("segImg_");
inline const QString blendImg = QStringLiteral("blendImg_");
inline const QString statusArray = QStringLiteral("statusArray_");
inline const QString imageSmeg = QStringLiteral("imageSmeg_");
inline const QString imageBlendage = QStringLiteral("imageBlendage_");
inline const QString resolution = QStringLiteral("resolution_");
inline const QString arrowTargetList = QStringLiteral("arrowTargetList");

// Arrow targets: "type" 0 rectangle patch, 1 polygon patch, 2 brushed patch, 3 forced edge.
inline const QString type = QStringLiteral("type");
inline const QString gmRegion = QStringLiteral("GmRegion");
inline const QString rectangle = QStringLiteral("rectangle_");
inline const QString poly = QStringLiteral("poly_");
inline const QString brushing = QStringLiteral("brushing_");
inline const QString width = QStringLiteral("width_");

// Patch base.
inline const QString smeg = QStringLiteral("smeg_");
inline const QString blendage = QStringLiteral("blendage_");
inline const QString isProtected = QStringLiteral("isProtected_");

// Shapes and strokes.
inline const QString rect = QStringLiteral("rect_");
inline const QString corner1 = QStringLiteral("corner1_");
inline const QString snap = QStringLiteral("snap_");
inline const QString qpoly = QStringLiteral("qpoly_");
inline const QString openness = QStringLiteral("openness_");
inline const QString bitmap = QStringLiteral("Bitmap");
inline const QString path = QStringLiteral("path_");
inline const QString boundingReducedRect = QStringLiteral("boundingReducedRect_");
inline const QString color = QStringLiteral("color_");

// Segmentation settings and their edge-detection values.
inline const QString isChecked = QStringLiteral("isChecked_");
inline const QString edos = QStringLiteral("edos_");
inline const QString sensitivity = QStringLiteral("sensitivity_");
inline const QString edoWidth = QStringLiteral("width_");
inline const QString texture = QStringLiteral("texture_");
inline const QString contrast = QStringLiteral("contrast_");
inline const QString widthInImageCoords = QStringLiteral("widthInImageCoords_");

// Blending settings and options.
inline const QString bos = QStringLiteral("bos_");
inline const QString autoBlueWidthF = QStringLiteral("autoBlueWidthF_");
inline const QString blendRatioF = QStringLiteral("blendRatioF_");
inline const QString isPatchBlendRatioTrackingImage =
    QStringLiteral("isPatchBlendRatioTrackingImage_");
inline const QString feather = QStringLiteral("feather_");
inline const QString isChoices = QStringLiteral("isChoices_");
inline const QString choices1F = QStringLiteral("choices1F_");
inline const QString choices2F = QStringLiteral("choices2F_");
inline const QString isMembrane = QStringLiteral("isMembrane_");
inline const QString membrane1F = QStringLiteral("membrane1F_");
inline const QString isUniformBg = QStringLiteral("isUniformBg_");
inline const QString fgChecked = QStringLiteral("fgChecked_");
inline const QString fgOverride = QStringLiteral("fgOverride_");
inline const QString bgChecked = QStringLiteral("bgChecked_");
inline const QString bgOverride = QStringLiteral("bgOverride_");

// Colours.
inline const QString qColor = QStringLiteral("qColor_");
inline const QString defaultColour = QStringLiteral("default_");
inline const QString keyname = QStringLiteral("keyname_");
inline const QString desc = QStringLiteral("desc_");
inline const QString persist = QStringLiteral("persist_");

// Source image.
inline const QString valid = QStringLiteral("valid_");
inline const QString filename = QStringLiteral("filename_");
inline const QString format = QStringLiteral("format_");
inline const QString imageMaster = QStringLiteral("imageMaster_");
inline const QString imageImage = QStringLiteral("imageImage_");

}  // namespace documentKeys

// Where the document's settings live in the settings store, and the keys it and the windows
// above it share there. Also part of the stored format.
namespace settingsKeys {

inline const QString organisation = QStringLiteral("OrbelTech");
inline const QString application = QStringLiteral("Zarvo");

// User colours: "Colors/" + each colour's key name; the colour dialog's custom colours.
inline const QString colours = QStringLiteral("Colors/");
inline const QString numCustomColors = QStringLiteral("NumCustomColors");
inline const QString customColor = QStringLiteral("CustomColor%1");

// The brush page's size and strength.
inline const QString brushSize = QStringLiteral("Common/Size");
inline const QString brushStrength = QStringLiteral("Common/Strength");

}  // namespace settingsKeys
