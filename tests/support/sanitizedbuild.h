// Whether the test program runs under a sanitizer, whose runtime changes what memory measurements mean.
#pragma once

// Sanitizer runtimes reserve terabytes of address space and grow every allocation, so an address-space limit
// cannot work under them and resident sizes mean something else.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitizedBuild = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kSanitizedBuild = true;
#else
constexpr bool kSanitizedBuild = false;
#endif
#else
constexpr bool kSanitizedBuild = false;
#endif
