#include "win32/panel_picture.h"

#include <wincodec.h>

#include "win32/dpi_scale.h"

namespace intercom {
namespace {

// Releases a COM interface at the end of its scope.
template <typename T>
class ComReference {
 public:
  ComReference() = default;
  ComReference(const ComReference&) = delete;
  ComReference& operator=(const ComReference&) = delete;
  ~ComReference() {
    if (pointer_ != nullptr) pointer_->Release();
  }
  T** Out() { return &pointer_; }
  T* operator->() const { return pointer_; }
  T* Get() const { return pointer_; }

 private:
  T* pointer_ = nullptr;
};

HBITMAP Decode(UINT dpi) {
  // The denser picture above one device pixel a pixel: scaled down from it,
  // the panel's small print stays sharp.
  const bool dense = dpi > kTableDpi;
  const HMODULE program = GetModuleHandleW(nullptr);
  const HRSRC found =
      FindResourceW(program, dense ? L"PANEL_PICTURE_2X" : L"PANEL_PICTURE", RT_RCDATA);
  if (found == nullptr) return nullptr;
  const HGLOBAL loaded = LoadResource(program, found);
  auto* bytes = static_cast<BYTE*>(LockResource(loaded));
  const DWORD size = SizeofResource(program, found);
  if (bytes == nullptr || size == 0) return nullptr;

  ComReference<IWICImagingFactory> factory;
  ComReference<IWICStream> stream;
  ComReference<IWICBitmapDecoder> decoder;
  ComReference<IWICBitmapFrameDecode> frame;
  ComReference<IWICBitmapScaler> scaler;
  ComReference<IWICFormatConverter> converter;
  UINT width = 0;
  UINT height = 0;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_IWICImagingFactory, reinterpret_cast<void**>(factory.Out()))) ||
      FAILED(factory->CreateStream(stream.Out())) ||
      FAILED(stream->InitializeFromMemory(bytes, size)) ||
      FAILED(factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                              decoder.Out())) ||
      FAILED(decoder->GetFrame(0, frame.Out())) || FAILED(frame->GetSize(&width, &height))) {
    return nullptr;
  }
  const int factor = dense ? 2 : 1;
  const auto wantedWidth = static_cast<UINT>(Scaled(static_cast<int>(width) / factor, dpi));
  const auto wantedHeight = static_cast<UINT>(Scaled(static_cast<int>(height) / factor, dpi));
  IWICBitmapSource* source = frame.Get();
  if (wantedWidth != width || wantedHeight != height) {
    // Fant averages every source pixel into the smaller picture.
    if (FAILED(factory->CreateBitmapScaler(scaler.Out())) ||
        FAILED(scaler->Initialize(frame.Get(), wantedWidth, wantedHeight,
                                  WICBitmapInterpolationModeFant))) {
      return nullptr;
    }
    source = scaler.Get();
    width = wantedWidth;
    height = wantedHeight;
  }
  if (FAILED(factory->CreateFormatConverter(converter.Out())) ||
      FAILED(converter->Initialize(source, GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone,
                                   nullptr, 0.0, WICBitmapPaletteTypeCustom))) {
    return nullptr;
  }

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = static_cast<LONG>(width);
  info.bmiHeader.biHeight = -static_cast<LONG>(height);  // top-down, as WIC copies
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* pixels = nullptr;
  const HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
  if (bitmap == nullptr) return nullptr;
  const UINT stride = width * 4;
  if (FAILED(converter->CopyPixels(nullptr, stride, stride * height, static_cast<BYTE*>(pixels)))) {
    DeleteObject(bitmap);
    return nullptr;
  }
  return bitmap;
}

}  // namespace

PanelPicture::~PanelPicture() {
  for (const auto& [dpi, bitmap] : bitmaps_) {
    if (bitmap != nullptr) DeleteObject(bitmap);
  }
}

HBITMAP PanelPicture::Bitmap(UINT dpi) {
  const auto [it, added] = bitmaps_.try_emplace(dpi, nullptr);
  if (added) it->second = Decode(dpi);
  return it->second;
}

}  // namespace intercom
