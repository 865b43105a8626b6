#pragma once

// Counts the image work that Qt splits over its global thread pool and waits for on a
// QSemaphore (kestrum/qt/UnsplitImageWork.h says why the program keeps its own work off that
// wait). A program that holds SplitConversionCounter.cpp, linked in as an object of its own
// (target zarvo_split_counter) or preloaded, takes Qt's QThreadPool::start(std::function<void()>,
// int) and QSemaphore::acquire(int) over and passes every call on to Qt. Qt starts pool
// functions through that overload for the parts of such work alone; a split is an acquire by a
// thread that has started some since its own last acquire.
namespace zarvo_test {

// Splits waited for since the program started, on every thread.
int splitConversions();

}  // namespace zarvo_test
