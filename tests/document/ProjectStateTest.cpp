// The document's keyed state: a whole document through bytes and back into a new document and
// thread, hostile maps refused without a trace, images a host supplies again, and the saved
// cut-out that restores from either.

#include <memory>

#include <QPointer>
#include <QSignalSpy>

#include "EngineSessionSupport.h"
#include "ScriptedCommand.h"
#include "document/BrushRegion.h"
#include "document/ForcedEdge.h"
#include "document/KeyedStateReader.h"
#include "document/ParsedDocument.h"
#include "document/PolyRegion.h"
#include "document/RectRegion.h"
#include "document/SavedCutoutState.h"

namespace {

class ProjectState : public EngineSessionTest {
 protected:
  // A session with one patch of each kind (the rectangle one protected) and a forced edge;
  // `painted`: analysed, with statuses painted.
  void buildDocument(bool painted = true) {
    openSession();
    if (painted) {
      analyse();
      run(new CvCmdSelect(model, nullptr, CvStatusClassMask, CvStatusDelete));
      brush({{80, 40}, {80, 80}, {60, 62}, {100, 62}}, CvStatusKeep, CvStatusClassMask, true);
    }
    auto* rect = new RectRegion(QRectF(10, 10, 40, 30));
    model->addPatch(rect);
    rect->submitToEngine();
    rect->setProtected(true);
    auto* poly = new PolyRegion(QPolygonF(QVector<QPointF>{{60, 60}, {90, 60}, {75, 90}}));
    model->addPatch(poly);
    poly->submitToEngine();
    poly->blending()->options().feather_ = 9;
    auto stroke = std::make_unique<Brushing>(Qt::blue);
    stroke->beginStroke({120, 20});
    stroke->continueStroke({140, 30});
    auto* brushed = new BrushRegion(std::move(stroke));
    model->addPatch(brushed);
    brushed->submitToEngine();
    auto* edge = new ForcedEdge(QPolygonF(QVector<QPointF>{{5, 100}, {60, 110}}), 0, 4);
    model->addForcedEdge(edge);
    edge->submitToEngine();
    model->blending()->options().blendRatioF_ = 0.4f;
    waitIdle();
  }
  // A new document and thread, as after a restart.
  void restart() {
    GmModel::destroyInstance();
    waitIdle();
    thread.reset();
    thread = std::make_unique<CorvaneThread>();
    model = GmModel::instance();
  }
  // The state of `model` as the comparisons see it.
  struct Snapshot {
    int resolution;
    const TsSourceImage* seg;
    int targets;
    int commands;
    QByteArray state;
  };
  Snapshot snapshot() const {
    return {model->resolution(), model->segImage(), int(model->arrowTargets().size()),
            thread->commandCount(), keyedStateToBytes(model->toVariant())};
  }
};

TEST_F(ProjectState, AWholeDocumentSurvivesBytesAndANewDocument) {
  buildDocument();
  const QByteArray bytes = keyedStateToBytes(model->toVariant());
  const QVariantMap stored = keyedStateFromBytes(bytes).toMap();
  ASSERT_EQ(stored.keys(), (QStringList{"arrowTargetList", "blendImg_", "imageBlendage_",
                                        "imageSmeg_", "resolution_", "segImg_", "statusArray_"}));
  EXPECT_EQ(stored.value("arrowTargetList").toList().size(), 4);
  const QImage statuses = stored.value("statusArray_").value<QImage>();
  EXPECT_EQ(statuses.format(), QImage::Format_Indexed8);
  EXPECT_EQ(statuses.size(), QSize(kWidth, kHeight));

  restart();
  QSignalSpy begun(model, &GmModel::sessionHasBegun);
  ASSERT_TRUE(model->fromVariant(keyedStateFromBytes(bytes)));
  EXPECT_EQ(model->sourceKind(), 2);
  EXPECT_EQ(keyedStateToBytes(model->toVariant()), bytes) << "statuses not yet sent are kept";
  waitIdle();
  EXPECT_EQ(begun.size(), 1);
  EXPECT_EQ(model->numUndos(), 1u) << "the statuses put back";
  EXPECT_EQ(keyedStateToBytes(model->toVariant()), bytes);
  EXPECT_TRUE(model->patches().first()->isProtected());
  EXPECT_EQ(model->blending()->options().blendRatioF_, 0.4f);

  // Restored over an open document, which is finished first.
  QPointer<TsSourceImage> previous = model->segImage();
  ASSERT_TRUE(model->fromVariant(keyedStateFromBytes(bytes)));
  waitIdle();
  EXPECT_TRUE(previous.isNull());
  EXPECT_EQ(model->arrowTargets().size(), 4);
  EXPECT_EQ(keyedStateToBytes(model->toVariant()), bytes);
}

TEST_F(ProjectState, AnUnknownTargetIsLeftOutWithALogLine) {
  buildDocument(false);
  QVariantMap map = model->toVariant().toMap();
  QVariantList targets = map.value("arrowTargetList").toList();
  targets.insert(1, QVariantMap{{"type", 4}});
  targets.append(QString("not a map"));
  map.insert("arrowTargetList", targets);
  LogCapture log;
  const std::unique_ptr<ParsedDocument> parsed = GmModel::parseDocumentMap(map);
  ASSERT_NE(parsed, nullptr);
  EXPECT_EQ(parsed->targets.size(), 4u);
  EXPECT_EQ(parsed->skippedTargets, 2);
  EXPECT_FALSE(log.lines().filter("A stored target of an unknown type was left out: 4").isEmpty());
}

TEST_F(ProjectState, HostileMapsAreRefusedAndTouchNothing) {
  buildDocument(false);
  const QVariantMap good = model->toVariant().toMap();
  QVariantMap segKind1 = good.value("segImg_").toMap();
  segKind1.insert("imageMaster_", 1);
  segKind1.remove("imageImage_");
  QImage wrongSize(kWidth + 1, kHeight, QImage::Format_Indexed8);
  wrongSize.fill(2);
  QImage wrongFormat(kWidth, kHeight, QImage::Format_RGB32);
  wrongFormat.fill(Qt::white);
  QImage otherPhoto(kWidth, kHeight - 1, QImage::Format_ARGB32);
  otherPhoto.fill(Qt::black);
  QVariantMap smallBlend = good.value("blendImg_").toMap();
  smallBlend.insert("imageImage_", otherPhoto);
  const struct {
    const char* name;
    QString key;
    QVariant value;
  } rows[] = {
      {"resolution 0", "resolution_", 0},
      {"resolution 3", "resolution_", 3},
      {"resolution -8", "resolution_", -8},
      {"resolution as text", "resolution_", QString("two")},
      {"statuses of the wrong size", "statusArray_", wrongSize},
      {"statuses in colour", "statusArray_", wrongFormat},
      {"statuses as a number", "statusArray_", 7},
      {"a host's image without the host", "segImg_", segKind1},
      {"no photo", "segImg_", QVariant()},
      {"a blend image of another size", "blendImg_", smallBlend},
      {"targets not a list", "arrowTargetList", 5},
  };
  const Snapshot before = snapshot();
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    QVariantMap hostile = good;
    if (row.value.isValid())
      hostile.insert(row.key, row.value);
    else
      hostile.remove(row.key);
    LogCapture log;
    EXPECT_FALSE(model->fromVariant(hostile));
    EXPECT_FALSE(log.lines().filter("A stored document was refused").isEmpty());
    const Snapshot after = snapshot();
    EXPECT_EQ(after.resolution, before.resolution);
    EXPECT_EQ(after.seg, before.seg);
    EXPECT_EQ(after.targets, before.targets);
    EXPECT_EQ(after.commands, before.commands) << "nothing submitted";
    EXPECT_EQ(after.state, before.state);
  }
  EXPECT_FALSE(model->fromVariant(QVariant(QStringLiteral("not a map"))));
  EXPECT_FALSE(model->fromVariant(QVariant()));
}

TEST_F(ProjectState, ImagesOverAHostsBuffersComeBackFromTheHost) {
  kestrum::PixelBuffer32 pixels(kWidth, kHeight, 4);
  TsSourceImage host(pixels, QStringLiteral("host"));
  TsSourceImage hostBlend(pixels, QStringLiteral("host blend"));
  const QVariantMap buffer{{"valid_", true},
                           {"filename_", QString("host")},
                           {"format_", 1},
                           {"imageMaster_", int(TsSourceImage::Buffer32Master)}};
  const QVariantMap map{{"resolution_", 1}, {"segImg_", buffer}, {"blendImg_", buffer}};
  EXPECT_EQ(GmModel::parseDocumentMap(map), nullptr) << "no host image";
  hooks.hostSegmentation = &host;
  EXPECT_EQ(GmModel::parseDocumentMap(map), nullptr) << "no second host image";
  hooks.hostBlend = &hostBlend;
  std::unique_ptr<ParsedDocument> parsed = GmModel::parseDocumentMap(map);
  ASSERT_NE(parsed, nullptr);
  EXPECT_EQ(parsed->segImage->displayImage().constBits(), host.displayImage().constBits())
      << "shares the host's pixels";
  EXPECT_EQ(parsed->blendImage->masterKind(), int(TsSourceImage::Buffer32Master));
  kestrum::PixelBuffer64 wide(kWidth, kHeight, 8);
  TsSourceImage otherKind(wide, QStringLiteral("wide"));
  hooks.hostSegmentation = &otherKind;
  EXPECT_EQ(GmModel::parseDocumentMap(map), nullptr) << "a host image of another kind";
}

// ---- Saved cut-outs

TEST_F(ProjectState, ASavedCutOutRestoresItsImageOrItsProject) {
  thread.reset();
  SavedCutoutState nothing;
  EXPECT_FALSE(nothing.restore());
  EXPECT_TRUE(hooks.installRequests.isEmpty());

  SavedCutoutState image(greyImage({30, 20}));
  EXPECT_TRUE(image.restore());
  ASSERT_EQ(hooks.installed.size(), 1);
  EXPECT_NE(hooks.installed[0], image.image()) << "a copy is installed";
  EXPECT_EQ(hooks.installed[0]->displayImage(), image.image()->displayImage());
  hooks.installAnswer = false;
  EXPECT_FALSE(image.restore());
  EXPECT_EQ(hooks.installRequests.size(), 2);
  EXPECT_EQ(hooks.installed.size(), 1) << "the refused copy was deleted";

  SavedCutoutState project(greyImage({30, 20}));
  ASSERT_TRUE(project.open());
  project.write("project bytes");
  project.close();
  hooks.loadProjectAnswer = true;
  EXPECT_TRUE(project.restore());
  EXPECT_TRUE(project.restore());
  EXPECT_EQ(hooks.loadedProjects, (QList<QByteArray>{"project bytes", "project bytes"}));
  EXPECT_FALSE(project.isOpen());
  EXPECT_EQ(hooks.installRequests.size(), 2) << "a project wins over the image";
  hooks.loadProjectAnswer = false;
  EXPECT_FALSE(project.restore());
}

}  // namespace
