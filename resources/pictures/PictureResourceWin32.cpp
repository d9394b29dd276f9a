// SPDX-License-Identifier: MIT
#include "resources/pictures/PictureResourceWin32.h"

#include <wincodec.h>

namespace nelvo {
namespace {

// Releases a COM interface when it goes out of scope.
template <typename Interface>
class ComRef {
  public:
    ComRef() = default;
    ~ComRef() {
        if (pointer_ != nullptr) pointer_->Release();
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;

    Interface* operator->() const { return pointer_; }
    Interface* get() const { return pointer_; }
    Interface** out() { return &pointer_; }

  private:
    Interface* pointer_ = nullptr;
};

// COM for the image codecs on this thread: started here when the thread had not
// started it, and stopped again; a host's apartment, of either model, is used as
// it is.
class ComScope {
  public:
    ComScope() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(result_)) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

    bool usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }

  private:
    HRESULT result_;
};

}  // namespace

HMODULE thisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(&thisModule), &module);
    return module;
}

std::span<const std::byte> pictureResource(HMODULE module, int id) {
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), L"PNG");
    if (found == nullptr) return {};
    HGLOBAL loaded = LoadResource(module, found);
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == nullptr) return {};
    return {static_cast<const std::byte*>(bytes), SizeofResource(module, found)};
}

std::optional<DecodedPicture> decodePictureResource(HMODULE module, int id) {
    const std::span<const std::byte> png = pictureResource(module, id);
    if (png.empty()) return std::nullopt;
    const ComScope com;
    if (!com.usable()) return std::nullopt;

    ComRef<IWICImagingFactory> factory;
    ComRef<IWICStream> stream;
    ComRef<IWICBitmapDecoder> decoder;
    ComRef<IWICBitmapFrameDecode> frame;
    ComRef<IWICFormatConverter> converter;
    // The stream only reads the resource, which stays mapped with the module.
    auto* bytes = reinterpret_cast<BYTE*>(const_cast<std::byte*>(png.data()));
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, reinterpret_cast<void**>(factory.out()))) ||
        FAILED(factory->CreateStream(stream.out())) ||
        FAILED(stream->InitializeFromMemory(bytes, static_cast<DWORD>(png.size()))) ||
        FAILED(factory->CreateDecoderFromStream(stream.get(), nullptr,
                                                WICDecodeMetadataCacheOnDemand, decoder.out())) ||
        FAILED(decoder->GetFrame(0, frame.out())) ||
        FAILED(factory->CreateFormatConverter(converter.out())) ||
        FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat32bppPBGRA,
                                     WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom))) {
        return std::nullopt;
    }
    DecodedPicture picture;
    UINT width = 0, height = 0;
    if (FAILED(converter->GetSize(&width, &height)) || width == 0 || height == 0)
        return std::nullopt;
    picture.width = width;
    picture.height = height;
    const UINT stride = width * 4;
    picture.pixels.resize(std::size_t{stride} * height);
    if (FAILED(converter->CopyPixels(nullptr, stride, static_cast<UINT>(picture.pixels.size()),
                                     picture.pixels.data())))
        return std::nullopt;
    return picture;
}

}  // namespace nelvo
