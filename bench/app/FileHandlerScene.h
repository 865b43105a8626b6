#pragma once

#include <memory>

#include "../document/DocumentBenchSupport.h"
#include "app/FileHandler.h"
#include "app/FileHandlerHost.h"
#include "composition/ZarvoObject.h"
#include "document/GmModel.h"

// The file handler over the real engine thread, without a window: every question answered yes,
// nothing shown. The log is quiet; the document and the hub go with the scene.
class FileHandlerScene {
 public:
  FileHandlerScene() {
    quietLog();
    thread = std::make_unique<CorvaneThread>();
    handler = std::make_unique<FileHandler>(&host);
  }
  ~FileHandlerScene() {
    handler.reset();
    GmModel::destroyInstance();
    waitIdle(thread.get());
    thread.reset();
    ZarvoObject::destroyInstance();
  }

  class QuietHost : public FileHandlerHost {
   public:
    bool askUnsavedChanges(const QString&) override { return true; }
    void showStatusMessage(const QString&, int) override {}
    void raiseAndActivate() override {}
    QWidget* dialogParent() override { return nullptr; }
    void ensureViewTab(int, int) override {}
  };

  QuietHost host;
  std::unique_ptr<CorvaneThread> thread;
  std::unique_ptr<FileHandler> handler;
};
