#pragma once

#include <cstdint>
#include <memory>

#include <QBrush>
#include <QByteArray>
#include <QHash>
#include <QKeySequence>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QStringList>

#include "Corvane.h"
#include "app/FileHandlerHost.h"
#include "kestrum/qt/NamedImage.h"
#include "workspace/ImageView.h"

class AppWorkspaceHost;
class BackgroundPicker;
class CorvaneCommand;
class CompositionTools;
class CorvaneThread;
class CutoutTools;
class FakeDock;
class FileHandler;
class FinalImageWidget;
class GmRegion;
class GmSubWindow;
class GmTool;
class NavigatorWindow;
class ProgressWindow;
class QAction;
class SavedCutoutState;
class QMenu;
class QProgressBar;
class QToolBar;
class TipWindow;
class ToolBarPalette;
class ToolOptions;
class TsSourceImage;
class ViewOptions;
class ZarvoWidget;
class ZoomViewOptionsWidget;

// The program's one top-level window. It wires both sides together: the tabbed image view (the
// cut-out canvas, the composition view on "2. Compose Picture" and "3. Add Effects", the final
// picture on "4. Final Image") with the docked sub-windows beside it, the tools of every tab and
// their palette, the options bar, the status bar with the progress of engine commands, the menus
// and their actions, the file handler and the engine command thread it creates. It answers the
// file handler (FileHandlerHost) and, while it lives, the workspace (its installed
// WorkspaceHost). A tool's shortcut is live only while one of the tool's tabs is current, so a
// key shared by tools of different tabs always means one tool.
//
// One per process, built by the start-up code after the application object; it shows itself
// maximised before its constructor returns and deletes itself once a close is accepted. A close
// asks about unsaved changes, then waits for the engine's queue to drain. GUI thread only.
class TsMainWindow : public QMainWindow, public FileHandlerHost {
  Q_OBJECT

 public:
  // The window's actions; an action the start-up mode leaves out is null.
  struct Actions {
    QAction* newCutout = nullptr;
    QAction* exportFinalImage = nullptr;
    QAction* exportFinalImageAs = nullptr;
    QAction* undo = nullptr;
    QAction* redo = nullptr;
    QAction* zoomIn = nullptr;
    QAction* zoomOut = nullptr;
    QAction* fitOnScreen = nullptr;
    QAction* actualPixels = nullptr;
    QAction* discardCutout = nullptr;
    QAction* exit = nullptr;
    QAction* saveAndApply = nullptr;
    QAction* showEdges = nullptr;
    QAction* help = nullptr;
    QAction* tutorials = nullptr;
    QAction* homePage = nullptr;
    QAction* buyBackgrounds = nullptr;
    QAction* checkForUpdates = nullptr;
    QAction* latestNews = nullptr;
    QAction* about = nullptr;
    QAction* increaseBrushSize = nullptr;
    QAction* decreaseBrushSize = nullptr;
  };
  struct Menus {
    QMenu* file = nullptr;
    QMenu* recentFiles = nullptr;  // null outside the normal mode
    QMenu* brush = nullptr;
    QMenu* view = nullptr;
    // The composition's pan and zoom tools; never in the menu bar.
    QMenu* compositionView = nullptr;
    QMenu* window = nullptr;
    QMenu* help = nullptr;
  };

  // The settings keys of the window state written at closing.
  static const char* const kPersistVersionKey;
  static const char* const kGeometryKey;
  static const char* const kScreenModeKey;
  static const char* const kMaximizedKey;
  static const char* const kNormalGeometryKey;
  static const char* const kChildStateKey;
  static const char* const kSubWindowsKey;
  static const char* const kCompositionKey;
  // The version passed to QMainWindow::saveState and stored as "PersistVersion".
  static constexpr int kPersistVersion = 2;

  TsMainWindow();
  // Deletes the file handler and the tools; the engine thread, when no close released it.
  ~TsMainWindow() override;

  // The window, or null while none exists.
  static TsMainWindow* instance();

  // ---- FileHandlerHost
  bool askUnsavedChanges(const QString& title) override { return querySaveChanges(title); }
  void showStatusMessage(const QString& text, int timeoutMs) override;
  void raiseAndActivate() override;
  QWidget* dialogParent() override { return this; }
  void ensureViewTab(int tabMask, int tab) override;

  // The unsaved-changes question under `title`: true lets the caller close, replace or discard.
  // It sets the application's host exit code: 0 saved or no question asked, 1 discarded, 2
  // nothing changed.
  bool querySaveChanges(const QString& title);
  // Writes the window state to the settings store (read back by no start).
  void saveWindowState();
  // The default geometry inside the screen's available area, docked sub-windows, screen mode 0,
  // shown maximised.
  void applyDefaultLayout();
  // Keeps the current tool while it is usable, else installs the pan-return tool or the default
  // tool; false when no tool is current or none could be installed.
  bool selectFallbackTool();
  // What the canvas shows behind the photo: the background picker's active swatch, or white.
  QBrush canvasBackgroundBrush() const;
  // Borrowed; the window places no picker of its own.
  void setBackgroundPicker(BackgroundPicker* picker);
  // The tip window's welcome text.
  void showWelcomeTip();
  // The document's busy state: the window disabled under the wait cursor, or back.
  void setBusy(bool busy);
  // The title, then every action's enabledness for `image` (the document's source image).
  void updateActionEnabledness(const TsSourceImage* image);
  // Adds every action `menu` holds now to the window, so its shortcut works without a menu bar.
  void copyMenuActions(QMenu* menu);
  // The distributor's page on the product site, or the site itself without a distributor.
  static QString distributorsPageUrl();

  ImageView* imageView() const { return imageView_; }
  FileHandler* fileHandler() const { return fileHandler_; }
  // Null once a close released it.
  CorvaneThread* engineThread() const;
  QProgressBar* progressBar() const { return progressBar_; }
  ViewOptions* viewOptions() const { return viewOptions_; }
  ZoomViewOptionsWidget* zoomOptions() const { return zoomOptions_; }
  ToolOptions* toolOptions() const { return toolOptions_; }
  QToolBar* optionsToolBar() const { return optionsToolBar_; }
  ToolBarPalette* palette() const { return palette_; }
  FakeDock* dock() const { return dock_; }
  TipWindow* tipWindow() const { return tipWindow_; }
  NavigatorWindow* navigatorWindow() const { return navigatorWindow_; }
  ProgressWindow* progressWindow() const { return progressWindow_; }
  // The sub-windows whose state is saved and whose toggles follow the view tab.
  const QList<GmSubWindow*>& subWindows() const { return subWindows_; }
  const Actions& mainActions() const { return actions_; }
  const Menus& menus() const { return menus_; }
  const CutoutTools* tools() const { return tools_.get(); }
  const CompositionTools* compositionTools() const { return compositionTools_.get(); }
  ZarvoWidget* compositionWidget() const { return compositionWidget_; }
  FinalImageWidget* finalImageWidget() const { return finalImageWidget_; }
  // The placed cut-out being edited on "1. Delete Background" (borrowed); null when none is.
  SavedCutoutState* editedCutout() const;
  GmTool* panReturnTool() const;
  // A tab change is still to be applied once more, 333 ms after the last.
  bool tabChangeSettling() const { return tabReappliesScheduled_ > 0; }
  int promptOnClose() const { return promptOnClose_; }
  void setPromptOnClose(int prompt) { promptOnClose_ = prompt; }
  // 0 normal, 1 full screen with menu bar, 2 full screen.
  int screenMode() const { return screenMode_; }
  // Whether a close waits for the engine's queue to drain.
  bool isClosing() const { return closingRequested_; }

 signals:
  void preferencesChanged();

 public slots:
  // ---- Actions and menus
  void addTabAction(QAction* action);
  void recentFilesChanged(const QStringList& files);
  void recentProjectsChanged(const QStringList& files);
  void updateActionEnablednessSlot();
  void activeRegionChangedSlot(GmRegion* region);
  void regionCreatedSlot();
  void cvUndoStackChangedSlot(uint32_t numUndos, uint32_t numRedos);
  void updateUndoRedoEnabledness();
  void statusesPresentChangedSlot(CvPixelStatus statusesPresent);
  void updateShowEdgesSlot();

  // ---- Keys and closing
  void stopPanningSlot();
  void escapeKeyPressedSlot(QKeyEvent* event);
  void focusChangedSlot(QWidget* old, QWidget* now);
  void hidePhotoshopWindowsSlot();

  // ---- Engine command reporting
  void commandStartedSlot(CorvaneCommand* command);
  void commandFinishedSlot(CorvaneCommand* command);
  void commandCancellingSlot(CorvaneCommand* command);
  void commandDiscardedSlot(CorvaneCommand* command);
  void submissionRejectedOnDeadLibSlot(CorvaneCommand* command);
  void commandProgressSlot(int percent);
  void internalErrorSlot(QString commandDescription, QString error);
  void updateCancelEnabledness();
  void undoSlot();
  void redoSlot();
  void actionNotImplementedSlot();
  void setWindowTitleSlot();
  void imageChangedSlot(const TsSourceImage* image);
  void imageAnalysisHasBegunSlot();

  // ---- Edit, view, help and links
  bool fileSaveSlot();
  bool fileSaveAsSlot();
  void cleanAllSlot();
  void cleanKeepSlot();
  void cleanDeleteSlot();
  void cleanComplexSlot();
  void cleanLastSelectionSlot();
  void saveAndApplySlot();
  void revertSlot();
  void revertAllSlot();
  void generateMaskSlot();
  void homePageSlot();
  void whyUpgradeURLSlot();
  void buyUpgradeURLSlot();
  void buyBackgroundsSlot();
  void facebookCommunitySlot();
  void flickrCommunitySlot();
  void aboutSlot();
  void helpSlot();
  void tutorialsSlot();
  void setScreenModeNormalSlot();
  void setScreenModeFullWithMenuSlot();
  void setScreenModeFullSlot();
  void toggleScreenModeSlot();
  void setDefaultSubWindowStateSlot();
  void syncResolutionMenuSlot(int index);
  void syncResolutionComboSlot(QAction* action);
  void viewTabChangedSlot(ImageView::ViewTab tab);
  void viewTabChangedToZarvoSlot();
  void viewTabChangedToCutOutSlot();
  void loadImage(const QString& fileName);
  void loadImage();
  void loadNamedImage(const NamedImage& image);
  void receivedImageSlot(const NamedImage& image);
  void updateGenerateMaskEnablednessSlot();
  void invokePreferencesSlot();
  void shareImageSlot();
  void linkPluginSlot();
  void toolChangedSlot(const GmTool* tool);

  // ---- A placed cut-out taken back for editing
  void editCutoutItem(SavedCutoutState* savedState);
  void createCutoutItemDone();
  void createCutoutItemCancelled();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void connectEngineThread();
  void createActions();
  void createStatusBar();
  void createMenus();
  void createSubWindows();
  void createTools();
  void createCompositionTools();
  void createToolPalette();
  void connectZoom();
  void handOverStartUpImages();
  // The Delete Local brush that an analysis's start chose, once the analysis lets it paint.
  void installAwaitedBrush();
  // The engine thread has drained: the close is accepted and the thread released.
  void finishClosing(QCloseEvent* event);
  void setScreenMode(int mode);
  // Whether the window is maximised, and its normal geometry when it has one.
  void rememberNormalState();
  // The cut-out side's menus and widgets for a cut-out tab, or out of the way for another.
  void applyViewTab(int tab);
  // Every tool's shortcut live exactly while `tab` is one of the tool's tabs.
  void applyToolShortcuts(int tab);
  void submitClean(int statusMask);
  void openUrl(const QString& address);
  bool isNormalRun() const;

  // ---- State
  int promptOnClose_ = 1;
  int screenMode_ = 0;
  bool maximized_ = true;
  QRect normalGeometry_;
  bool closingRequested_ = false;
  bool overrideCursorSet_ = false;
  int busyDepth_ = 0;
  bool delayedTabChangePending_ = false;
  int tabReappliesScheduled_ = 0;
  bool brushAwaitsAnalysis_ = false;
  // The help address goes to the log the first time only (the process has one window).
  bool helpAddressLogged_ = false;
  uint32_t numUndos_ = 0;
  uint32_t numRedos_ = 0;
  QPointer<GmTool> panReturnTool_;

  // ---- Parts; widgets are children, the rest is owned here.
  std::unique_ptr<AppWorkspaceHost> workspaceHost_;
  ImageView* imageView_ = nullptr;
  FakeDock* dock_ = nullptr;
  FileHandler* fileHandler_ = nullptr;
  QPointer<CorvaneThread> engineThread_;
  QProgressBar* progressBar_ = nullptr;
  ViewOptions* viewOptions_ = nullptr;
  ZoomViewOptionsWidget* zoomOptions_ = nullptr;
  QToolBar* optionsToolBar_ = nullptr;
  ToolOptions* toolOptions_ = nullptr;
  ToolBarPalette* palette_ = nullptr;
  TipWindow* tipWindow_ = nullptr;
  NavigatorWindow* navigatorWindow_ = nullptr;
  ProgressWindow* progressWindow_ = nullptr;
  QList<GmSubWindow*> subWindows_;
  Actions actions_;
  Menus menus_;
  // Tab actions announced before the View menu existed.
  QList<QAction*> pendingTabActions_;
  std::unique_ptr<CutoutTools> tools_;
  std::unique_ptr<CompositionTools> compositionTools_;
  // Each tool's own shortcuts, on its action while one of the tool's tabs is current.
  QHash<GmTool*, QList<QKeySequence>> toolShortcuts_;
  ZarvoWidget* compositionWidget_ = nullptr;
  FinalImageWidget* finalImageWidget_ = nullptr;
  QPointer<SavedCutoutState> editedCutout_;
  QPointer<BackgroundPicker> backgroundPicker_;
};
