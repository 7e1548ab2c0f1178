// Bookkeeping of the DirectSound COM objects, for tests that check that
// every object a program obtained was released exactly once.
//
// An object whose count reaches zero is not freed but kept as released, so
// that a call through a stale pointer (a second Release, say) is noticed and
// counted instead of touching freed memory.
#pragma once

namespace platform::dsound {

struct ObjectCounts {
    int live = 0;   // objects with references left
    int misuse = 0; // calls on objects already released
};
ObjectCounts CountObjects();

} // namespace platform::dsound
