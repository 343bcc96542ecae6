// Keeps a cold function out of its only caller: the compiler would otherwise inline it, and the
// caller, on the hot path, would set up the frame and save the registers the cold part needs.
#pragma once

#if defined(_MSC_VER) && !defined(__clang__)
#define RTFPLAIN_NOINLINE __declspec(noinline)
#else
#define RTFPLAIN_NOINLINE [[gnu::noinline]]
#endif

// Keeps a hot helper inside its caller's loop, where the compiler's size limits would not.
#if defined(_MSC_VER) && !defined(__clang__)
#define RTFPLAIN_ALWAYS_INLINE __forceinline
#else
#define RTFPLAIN_ALWAYS_INLINE [[gnu::always_inline]] inline
#endif
