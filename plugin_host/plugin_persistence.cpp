// The PlugIn object's persistence: only its extent, as a 12-byte stream, on its own
// (IPersistStreamInit) or as the "Contents" stream of a storage (IPersistStorage).
#include "plugin_host/plugin.h"

namespace rw::plugin {

// ---- persistence: only the extent, as a 12-byte stream

HRESULT PlugIn::GetClassID(CLSID* clsid) {
    if (!clsid) {
        return E_POINTER;
    }
    *clsid = CLSID_PlugIn;
    return S_OK;
}

HRESULT PlugIn::IsDirty() {
    return S_FALSE;
}

namespace {

// Reads exactly `size` bytes: a stream that ends early is as bad as one that fails.
HRESULT ReadExactly(IStream* stream, void* data, ULONG size) {
    ULONG read = 0;
    const HRESULT hr = stream->Read(data, size, &read);
    if (FAILED(hr)) {
        return hr;
    }
    return read == size ? S_OK : STG_E_READFAULT;
}

} // namespace

HRESULT PlugIn::Load(LPSTREAM stream) {
    if (!stream) {
        return E_POINTER;
    }
    std::uint8_t version[kVersionSize];
    HRESULT hr = ReadExactly(stream, version, sizeof version);
    if (FAILED(hr)) {
        return hr;
    }
    if (!VersionCarriesExtent(DecodeVersion(version))) {
        return S_OK;
    }
    std::uint8_t extent[kExtentSize];
    hr = ReadExactly(stream, extent, sizeof extent);
    if (FAILED(hr)) {
        return hr;
    }
    extent_ = DecodeExtent(extent);
    return S_OK;
}

HRESULT PlugIn::Save(LPSTREAM stream, BOOL) {
    if (!stream) {
        return E_POINTER;
    }
    const auto bytes = EncodeStream(extent_);
    ULONG written = 0;
    const HRESULT hr = stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
    if (FAILED(hr)) {
        return hr;
    }
    return written == bytes.size() ? S_OK : STG_E_WRITEFAULT;
}

HRESULT PlugIn::GetSizeMax(ULARGE_INTEGER* size) {
    if (!size) {
        return E_POINTER;
    }
    size->QuadPart = kStreamSize;
    return S_OK;
}

HRESULT PlugIn::InitNew() {
    return S_OK;
}

HRESULT PlugIn::InitNew(IStorage* storage) {
    return storage ? S_OK : E_POINTER;
}

HRESULT PlugIn::Load(IStorage* storage) {
    if (!storage) {
        return E_POINTER;
    }
    rw::com::ComPtr<IStream> stream;
    const HRESULT hr = storage->OpenStream(L"Contents", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE,
                                           0, stream.Put());
    return FAILED(hr) ? hr : Load(stream.Get());
}

HRESULT PlugIn::Save(IStorage* storage, BOOL) {
    if (!storage) {
        return E_POINTER;
    }
    rw::com::ComPtr<IStream> stream;
    const HRESULT hr = storage->CreateStream(
        L"Contents", STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, stream.Put());
    return FAILED(hr) ? hr : Save(stream.Get(), TRUE);
}

HRESULT PlugIn::SaveCompleted(IStorage*) {
    return S_OK;
}
HRESULT PlugIn::HandsOffStorage() {
    return S_OK;
}

} // namespace rw::plugin
