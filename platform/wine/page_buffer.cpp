#include "platform/wine/page_buffer.h"

#include <sys/mman.h>

#include <cstring>
#include <new>
#include <utility>

namespace wine {
namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kPage = 4096;

// What a mapping of bytes takes: whole huge pages from one up, whole pages below.
std::size_t MappedSize(std::size_t bytes) {
    const std::size_t unit = bytes >= kHugePage ? kHugePage : kPage;
    return (bytes + unit - 1) / unit * unit;
}

void* Map(std::size_t mapped) {
    void* map = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (map == MAP_FAILED) throw std::bad_alloc();
    // Only advice: a kernel without huge pages for us maps small ones as it would anyway.
    if (mapped >= kHugePage) ::madvise(map, mapped, MADV_HUGEPAGE);
    return map;
}

}  // namespace

PageBuffer::PageBuffer(std::size_t capacity) {
    if (capacity == 0) return;
    mapped_ = MappedSize(capacity);
    map_ = Map(mapped_);
}

PageBuffer PageBuffer::Copy(std::string_view text) {
    PageBuffer copy(text.size());
    if (!text.empty()) std::memcpy(copy.data(), text.data(), text.size());
    copy.size_ = text.size();
    return copy;
}

PageBuffer::PageBuffer(PageBuffer&& other) noexcept
    : map_(std::exchange(other.map_, nullptr)),
      mapped_(std::exchange(other.mapped_, 0)),
      size_(std::exchange(other.size_, 0)) {}

PageBuffer& PageBuffer::operator=(PageBuffer&& other) noexcept {
    if (this != &other) {
        PageBuffer gone(std::move(*this));
        map_ = std::exchange(other.map_, nullptr);
        mapped_ = std::exchange(other.mapped_, 0);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

PageBuffer::~PageBuffer() {
    if (map_) ::munmap(map_, mapped_);
}

void PageBuffer::resize(std::size_t size) {
    if (size > mapped_) throw std::bad_alloc();
    size_ = size;
}

void* HugePageResource::do_allocate(std::size_t bytes, std::size_t /*alignment*/) {
    // A mapping starts on a page, which meets any alignment asked of it.
    return Map(MappedSize(bytes));
}

void HugePageResource::do_deallocate(void* p, std::size_t bytes, std::size_t /*alignment*/) {
    ::munmap(p, MappedSize(bytes));
}

}  // namespace wine
