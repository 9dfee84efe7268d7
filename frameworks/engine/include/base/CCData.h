// An owned, resizable byte buffer (file contents). Any thread; not shared.
#pragma once

#include <cstddef>
#include <sys/types.h>

namespace cocos2d {

class Data {
public:
    static const Data Null;

    Data() = default;
    Data(const Data& other);
    Data(Data&& other) noexcept;
    Data& operator=(const Data& other);
    Data& operator=(Data&& other) noexcept;
    ~Data();

    unsigned char* getBytes() const { return _bytes; }
    ssize_t getSize() const { return _size; }
    bool isNull() const { return _bytes == nullptr || _size == 0; }

    // Copies size bytes; a null source or size <= 0 leaves the buffer empty.
    void copy(const unsigned char* bytes, ssize_t size);
    // Takes ownership of a malloc'ed buffer (freed with free()).
    void fastSet(unsigned char* bytes, ssize_t size);
    void clear();
    // Gives the buffer to the caller (who frees it with free()) and empties this.
    unsigned char* takeBuffer(ssize_t* size);

private:
    unsigned char* _bytes = nullptr;
    ssize_t _size = 0;
};

} // namespace cocos2d
