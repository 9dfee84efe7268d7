// Owned byte buffer.
#include "base/CCData.h"

#include <cstdlib>
#include <cstring>
#include <utility>

namespace cocos2d {

const Data Data::Null;

Data::Data(const Data& other) { copy(other._bytes, other._size); }

Data::Data(Data&& other) noexcept
    : _bytes(std::exchange(other._bytes, nullptr)), _size(std::exchange(other._size, 0)) {}

Data& Data::operator=(const Data& other) {
    if (this != &other) copy(other._bytes, other._size);
    return *this;
}

Data& Data::operator=(Data&& other) noexcept {
    if (this != &other) {
        clear();
        _bytes = std::exchange(other._bytes, nullptr);
        _size = std::exchange(other._size, 0);
    }
    return *this;
}

Data::~Data() { clear(); }

void Data::copy(const unsigned char* bytes, ssize_t size) {
    if (!bytes || size <= 0) {
        clear();
        return;
    }
    unsigned char* fresh = static_cast<unsigned char*>(malloc(static_cast<size_t>(size)));
    if (!fresh) {
        clear();
        return;
    }
    memcpy(fresh, bytes, static_cast<size_t>(size));
    clear();
    _bytes = fresh;
    _size = size;
}

void Data::fastSet(unsigned char* bytes, ssize_t size) {
    if (bytes == _bytes) {
        _size = bytes ? size : 0;
        return;
    }
    clear();
    _bytes = bytes;
    _size = bytes ? size : 0;
}

void Data::clear() {
    free(_bytes);
    _bytes = nullptr;
    _size = 0;
}

unsigned char* Data::takeBuffer(ssize_t* size) {
    if (size) *size = _size;
    _size = 0;
    return std::exchange(_bytes, nullptr);
}

} // namespace cocos2d
