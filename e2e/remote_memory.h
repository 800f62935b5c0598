#pragma once
// Memory in another process, for the common controls' messages that pass pointers: the system
// carries only its own window messages' pointers from process to process.
#include <windows.h>

#include <cstdint>
#include <vector>

#include "win32/scoped.h"

namespace e2e {

class RemoteBuffer {
public:
    RemoteBuffer(DWORD pid, size_t size);
    ~RemoteBuffer();
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    bool Ok() const { return address_ != nullptr; }
    // The buffer's address in the other process, as a message's parameter.
    LPARAM Address() const { return reinterpret_cast<LPARAM>(address_); }
    // Copies at most the buffer's size into it.
    bool Write(const void* data, size_t size) const;
    // The whole buffer; empty when it cannot be read.
    std::vector<uint8_t> Read() const;

private:
    rw::win::ScopedHandle process_;
    void* address_ = nullptr;
    size_t size_;
};

} // namespace e2e
