#include "kestrum/qt/ThreadFinishedHandler.h"

namespace kestrum {

void ThreadFinishedHandler::handle() {}

}  // namespace kestrum
