/*
 * The operators new of the fault-injection library: each counts as one
 * allocation, and the failing one behaves as the C++ runtime's own does when
 * malloc fails: the new-handler runs, and without one std::bad_alloc is
 * thrown (or null is answered by the nothrow forms).
 */
#include <cstddef>
#include <cstdlib>
#include <new>

extern "C" {
void *__libc_malloc(size_t size);
void *__libc_memalign(size_t alignment, size_t size);
int lumFaultAllocationFails(void);
}

namespace {

void *allocate(size_t size, size_t alignment)
{
    for (;;) {
        void *block = nullptr;
        if (!lumFaultAllocationFails()) {
            size = size != 0 ? size : 1;
            block = alignment > __STDCPP_DEFAULT_NEW_ALIGNMENT__ ? __libc_memalign(alignment, size)
                                                                 : __libc_malloc(size);
        }
        if (block != nullptr) {
            return block;
        }
        std::new_handler handler = std::get_new_handler();
        if (handler == nullptr) {
            throw std::bad_alloc();
        }
        handler();
    }
}

void *allocateOrNull(size_t size, size_t alignment) noexcept
{
    try {
        return allocate(size, alignment);
    } catch (...) {
        return nullptr;
    }
}

} // namespace

void *operator new(size_t size) { return allocate(size, 0); }
void *operator new[](size_t size) { return allocate(size, 0); }
void *operator new(size_t size, std::align_val_t a) { return allocate(size, size_t(a)); }
void *operator new[](size_t size, std::align_val_t a) { return allocate(size, size_t(a)); }
void *operator new(size_t size, const std::nothrow_t &) noexcept { return allocateOrNull(size, 0); }
void *operator new[](size_t size, const std::nothrow_t &) noexcept { return allocateOrNull(size, 0); }
void *operator new(size_t size, std::align_val_t a, const std::nothrow_t &) noexcept
{
    return allocateOrNull(size, size_t(a));
}
void *operator new[](size_t size, std::align_val_t a, const std::nothrow_t &) noexcept
{
    return allocateOrNull(size, size_t(a));
}
