#include "e2e/remote_memory.h"

#include <algorithm>

namespace e2e {

RemoteBuffer::RemoteBuffer(DWORD pid, size_t size)
    : process_(
          ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid)),
      size_(size) {
    if (process_) {
        address_ = ::VirtualAllocEx(process_.Get(), nullptr, size, MEM_COMMIT | MEM_RESERVE,
                                    PAGE_READWRITE);
    }
}

RemoteBuffer::~RemoteBuffer() {
    if (address_) {
        ::VirtualFreeEx(process_.Get(), address_, 0, MEM_RELEASE);
    }
}

bool RemoteBuffer::Write(const void* data, size_t size) const {
    SIZE_T put = 0;
    return ::WriteProcessMemory(process_.Get(), address_, data, std::min(size, size_), &put) !=
           FALSE;
}

std::vector<uint8_t> RemoteBuffer::Read() const {
    std::vector<uint8_t> bytes(size_);
    SIZE_T got = 0;
    if (!::ReadProcessMemory(process_.Get(), address_, bytes.data(), size_, &got)) {
        got = 0;
    }
    bytes.resize(got);
    return bytes;
}

} // namespace e2e
