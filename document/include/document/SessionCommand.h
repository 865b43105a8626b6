#pragma once

#include "document/CorvaneCommand.h"

// A command on the image session alone: prepare takes the session of the document's settings
// and declines without one.
class SessionCommand : public CorvaneCommand {
  Q_OBJECT

 public:
  using CorvaneCommand::CorvaneCommand;

  bool prepare() override {
    session_ = documentSession();
    return session_ != nullptr;
  }

 protected:
  CvSession* session_ = nullptr;
};
