#pragma once

#include <new>
#include <type_traits>
#include <utility>

#include "Corvane.h"
#include "util/CvExCancel.h"

struct CvInImage;
class CvInSessionBase;

namespace corvane {

// Saves the process's allocation-failure handler and installs none, so that an exhausted
// heap throws std::bad_alloc inside the engine; the saved handler comes back when the guard
// goes, on every path.
class AllocationFailureGuard {
 public:
  AllocationFailureGuard() noexcept : saved_(std::set_new_handler(nullptr)) {}
  ~AllocationFailureGuard() { std::set_new_handler(saved_); }
  AllocationFailureGuard(const AllocationFailureGuard&) = delete;
  AllocationFailureGuard& operator=(const AllocationFailureGuard&) = delete;

 private:
  std::new_handler saved_;
};

// What an entry answers for an exception that reaches its frame, and whether the engine it
// validated is then marked failed. Handle-returning entries answer null and use only `marks`.
struct CatchOutcome {
  CvResult code;
  bool marks;
};

struct CatchRules {
  CatchOutcome cancel;       // CvExCancel
  CatchOutcome outOfMemory;  // std::bad_alloc
  CatchOutcome other;        // plain texts and anything else
};

// Entries whose operation answers cancel and out-of-memory itself: whatever still escapes is
// unexpected and condemns the engine.
constexpr CatchRules kOperationCatches{
    {CvException, true}, {CvException, true}, {CvException, true}};
// Entries that answer cancel and out-of-memory themselves and leave the engine usable.
constexpr CatchRules kRecoverableCatches{
    {CvCancelled, false}, {CvOutOfMemory, false}, {CvException, true}};
// Session construction: a cancel leaves the engine as it was, anything else marks it.
constexpr CatchRules kConstructionCatches{
    {CvCancelled, false}, {CvOutOfMemory, true}, {CvException, true}};
// Entries that never mark an engine (engine and status-image creation, scaling).
constexpr CatchRules kUnmarkedCatches{
    {CvException, false}, {CvException, false}, {CvException, false}};

// Handle validation (each answers 0 or the documented code, reading nothing behind a handle
// that is not a live object of its kind).
// Engine: null, not live or wrongly signed: 7; failed: 5.
CvResult validateEngine(CvEngine* engine) noexcept;
// Session: not a live session: 6; the session or its engine wrongly signed: 7; failed: 5.
CvResult validateSession(const CvSession* handle, CvInSessionBase** session) noexcept;
// Image: not a live engine image or wrongly signed: 9.
CvResult validateImage(const CvImage* handle, CvInImage** image) noexcept;

// The state one entry call carries through its frame: the engine that validated, which an
// escaping exception may mark failed.
class EntryFrame {
 public:
  CvResult useEngine(CvEngine* engine) noexcept;
  CvResult useSession(const CvSession* handle, CvInSessionBase** session) noexcept;
  CvResult useImage(const CvImage* handle, CvInImage** image) noexcept {
    return validateImage(handle, image);
  }

  // Marks the bound engine failed when it still validates by signature.
  void markFailed() noexcept;

 private:
  CvEngine* engine_ = nullptr;
};

namespace detail {

template <class R>
R failureAnswer(EntryFrame& frame, const CatchOutcome& outcome) noexcept {
  if (outcome.marks) frame.markFailed();
  if constexpr (std::is_pointer_v<R>) {
    return nullptr;
  } else {
    return outcome.code;
  }
}

}  // namespace detail

// The frame every entry point runs its body in. `body(EntryFrame&)` answers a CvResult or a
// handle; exceptions become the answers of `rules`.
template <class Body>
auto runEntry(const CatchRules& rules, Body&& body) noexcept
    -> decltype(body(std::declval<EntryFrame&>())) {
  using Answer = decltype(body(std::declval<EntryFrame&>()));
  AllocationFailureGuard guard;
  EntryFrame frame;
  try {
    return body(frame);
  } catch (const CvExCancel&) {
    return detail::failureAnswer<Answer>(frame, rules.cancel);
  } catch (const std::bad_alloc&) {
    return detail::failureAnswer<Answer>(frame, rules.outOfMemory);
  } catch (const char*) {
    // The engine's stage failures ("Image too small", ...): nothing to classify further.
    return detail::failureAnswer<Answer>(frame, rules.other);
  } catch (...) {
    return detail::failureAnswer<Answer>(frame, rules.other);
  }
}

}  // namespace corvane
