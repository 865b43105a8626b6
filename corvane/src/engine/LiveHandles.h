#pragma once

// The process-wide record of every live engine object, keyed by its handle address. Handle
// validation asks here before it reads anything behind a pointer, so a destroyed or made-up
// handle is answered without being dereferenced. Safe to use from any thread.

namespace corvane {

enum class LiveKind { Engine, Session, Image };

// Records `handle` as a live object of `kind`; `object` is what findLive hands back.
void enterLive(const void* handle, LiveKind kind, void* object);
// Forgets `handle`; unknown handles are ignored.
void leaveLive(const void* handle) noexcept;
// The object recorded for `handle` when it is live and of `kind`, else null.
void* findLive(const void* handle, LiveKind kind) noexcept;

}  // namespace corvane
