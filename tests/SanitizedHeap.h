// AddressSanitizer and ThreadSanitizer bring their own allocator: tests that count the heap or
// the resident size measure the checker there, and tests that replace the allocator must not.
#pragma once

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define KURVIMAT_SANITIZED_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define KURVIMAT_SANITIZED_HEAP 1
#endif
#endif
