// pictlet-paint <drawing>: creates Pictlet.acBMPreview by its ProgID, as a
// form host of this process's platform would, reads the name of its dispatch
// interface from the registered type library, shows the drawing's thumbnail
// and draws the control into a 32-bit memory bitmap. Prints
//   typelib <interface name>
//   painted <width>x<height> <FNV-1a hash of the pixels> <pixels not background>
// Exit code 0 when all of it worked. A 32-bit and a 64-bit build print the
// same line for the same drawing when both controls paint alike.
#include <objbase.h>
#include <oleauto.h>
#include <ocidl.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

constexpr int kWidth = 240;
constexpr int kHeight = 180;
constexpr std::uint32_t kBackground = 0x00336699; // BackColor 0x00996633 as BGRA

HRESULT Put(IDispatch* control, const wchar_t* name, VARIANT value) {
    DISPID id = 0;
    auto* names = const_cast<LPOLESTR>(name);
    HRESULT hr = control->GetIDsOfNames(IID_NULL, &names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr))
        return hr;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&value, &named, 1, 1};
    return control->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr,
                           nullptr);
}

HRESULT Call(IDispatch* control, const wchar_t* name) {
    DISPID id = 0;
    auto* names = const_cast<LPOLESTR>(name);
    HRESULT hr = control->GetIDsOfNames(IID_NULL, &names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr))
        return hr;
    DISPPARAMS none{};
    VARIANT result;
    VariantInit(&result);
    hr = control->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, &result, nullptr, nullptr);
    VariantClear(&result);
    return hr;
}

std::wstring InterfaceName(IDispatch* control) {
    ITypeInfo* info = nullptr;
    if (FAILED(control->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info)) || info == nullptr)
        return L"";
    BSTR name = nullptr;
    info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
    info->Release();
    std::wstring text = name != nullptr ? name : L"";
    SysFreeString(name);
    return text;
}

int Paint(const wchar_t* drawing) {
    CLSID clsid;
    IDispatch* control = nullptr;
    if (FAILED(CLSIDFromProgID(L"Pictlet.acBMPreview", &clsid)) ||
        FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                reinterpret_cast<void**>(&control)))) {
        std::printf("control: not created\n");
        return 1;
    }
    std::printf("typelib %ls\n", InterfaceName(control).c_str());
    VARIANT v;
    v.vt = VT_I4;
    v.lVal = 0x00996633;
    Put(control, L"BackColor", v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(drawing);
    const HRESULT put = Put(control, L"DrawingFile", v);
    VariantClear(&v);
    const HRESULT painted = Call(control, L"PaintPreview");
    IViewObject* view = nullptr;
    control->QueryInterface(IID_IViewObject, reinterpret_cast<void**>(&view));
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
    bmi.bmiHeader.biWidth = kWidth;
    bmi.bmiHeader.biHeight = -kHeight;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HDC memory = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(memory, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    const RECTL bounds{0, 0, kWidth, kHeight};
    const HRESULT drawn = view != nullptr ? view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, memory,
                                                       &bounds, nullptr, nullptr, 0)
                                          : E_NOINTERFACE;
    GdiFlush();
    std::uint32_t hash = 2166136261u;
    int picture = 0;
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    for (int i = 0; bits != nullptr && i < kWidth * kHeight; ++i) {
        const std::uint32_t p = pixels[i] & 0x00FFFFFF;
        picture += p != kBackground;
        for (int b = 0; b < 3; ++b)
            hash = (hash ^ ((p >> (8 * b)) & 0xFF)) * 16777619u;
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    if (view != nullptr)
        view->Release();
    control->Release();
    if (FAILED(put) || FAILED(painted) || FAILED(drawn)) {
        std::printf("paint: failed (%08lx %08lx %08lx)\n", static_cast<unsigned long>(put),
                    static_cast<unsigned long>(painted), static_cast<unsigned long>(drawn));
        return 1;
    }
    std::printf("painted %dx%d %08x %d\n", kWidth, kHeight, hash, picture);
    return picture > 0 ? 0 : 1;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::printf("usage: pictlet-paint <drawing>\n");
        return 2;
    }
    CoInitialize(nullptr);
    const int code = Paint(argv[1]);
    CoUninitialize();
    return code;
}
