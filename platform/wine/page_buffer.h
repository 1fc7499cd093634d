// Memory for what reading a large registry file needs at once: anonymous mappings that ask
// the kernel for huge pages, so that filling tens of megabytes costs a few page faults rather
// than one for every 4 KB.
#pragma once

#include <cstddef>
#include <memory_resource>
#include <string_view>

namespace wine {

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
inline constexpr bool kAddressSanitizer = __has_feature(address_sanitizer);
#else
inline constexpr bool kAddressSanitizer = false;
#endif

// Bytes in a mapping of their own, up to the capacity it was made with; move-only.
class PageBuffer {
public:
    PageBuffer() = default;
    // Room for capacity bytes, none used yet; throws std::bad_alloc when it cannot be mapped.
    explicit PageBuffer(std::size_t capacity);
    // A copy of text.
    static PageBuffer Copy(std::string_view text);
    PageBuffer(PageBuffer&& other) noexcept;
    PageBuffer& operator=(PageBuffer&& other) noexcept;
    PageBuffer(const PageBuffer&) = delete;
    PageBuffer& operator=(const PageBuffer&) = delete;
    ~PageBuffer();

    char* data() { return static_cast<char*>(map_); }
    std::size_t size() const { return size_; }
    std::size_t capacity() const { return mapped_; }
    // The first size bytes are the text; size is at most the capacity.
    void resize(std::size_t size);
    std::string_view view() const { return {static_cast<const char*>(map_), size_}; }

private:
    void* map_ = nullptr;
    std::size_t mapped_ = 0, size_ = 0;
};

// Chunks of huge-page mappings for a monotonic resource above it, each unmapped when the
// resource releases it.
class HugePageResource final : public std::pmr::memory_resource {
private:
    void* do_allocate(std::size_t bytes, std::size_t alignment) override;
    void do_deallocate(void* p, std::size_t bytes, std::size_t alignment) override;
    bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override {
        return this == &other;
    }
};

}  // namespace wine
