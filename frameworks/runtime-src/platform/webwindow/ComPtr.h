// Owner of one COM interface reference: Release() is called here and nowhere else.
#pragma once

#include <utility>

namespace zavu {

template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    // Takes over a reference the caller already owns.
    explicit ComPtr(T* p) : p_(p) {}
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& o) noexcept {
        if (this != &o) reset(std::exchange(o.p_, nullptr));
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() { reset(); }

    // Keeps a borrowed pointer: adds the reference this owner will drop.
    static ComPtr retain(T* p) {
        if (p) p->AddRef();
        return ComPtr(p);
    }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // For out-parameters: drops what is held and hands out the slot.
    T** put() {
        reset();
        return &p_;
    }
    void reset(T* p = nullptr) {
        T* old = std::exchange(p_, p);
        if (old) old->Release();
    }

private:
    T* p_ = nullptr;
};

}  // namespace zavu
