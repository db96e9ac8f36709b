// Pictlet.dll as the main window will use it: registered, created by its
// programmatic identifier in a host window, driven through IDispatch by
// DISPID only, painting thumbnails of real drawings.
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor" // COM interfaces

#include "preview/pictlet.h"
#include "preview/thumbnail.h"

#include "platform/handles.h"
#include "platform/text.h"
#include "sample_drawings.h"
#include "support/corpus.h"
#include "support/win_process.h"
#include "support/win_temp_dir.h"

#include <gtest/gtest.h>

#include <ocidl.h>
#include <olectl.h>

#include <cmath>
#include <map>
#include <string>
#include <vector>

extern "C" BOOL WINAPI AtlAxWinInit();
extern "C" HRESULT WINAPI AtlAxGetControl(HWND window, IUnknown** control);

namespace ps {
namespace {

using namespace pictlet;

// Every property read and written, in order.
class RecordingBag final : public IPropertyBag {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == IID_IPropertyBag) {
            *out = this;
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE Read(LPCOLESTR name, VARIANT* value, IErrorLog*) override {
        reads.push_back(Narrow(name));
        const auto it = values.find(Narrow(name));
        if (it == values.end())
            return E_INVALIDARG;
        VariantInit(value);
        return VariantCopy(value, &it->second);
    }
    HRESULT STDMETHODCALLTYPE Write(LPCOLESTR name, VARIANT* value) override {
        writes.push_back(Narrow(name));
        VARIANT copy;
        VariantInit(&copy);
        VariantCopy(&copy, value);
        values[Narrow(name)] = copy;
        return S_OK;
    }
    std::vector<std::string> reads, writes;
    std::map<std::string, VARIANT> values;
};

class EventSink final : public IDispatch {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == kEventsIid) {
            *out = this;
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* p, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        std::string text = std::to_string(id);
        for (UINT i = p->cArgs; i-- > 0;) { // first argument last
            VARIANT v;
            VariantInit(&v);
            VariantChangeType(&v, &p->rgvarg[i], 0, VT_BSTR);
            text += " " + Narrow(v.bstrVal);
            VariantClear(&v);
        }
        events.push_back(text);
        return S_OK;
    }
    std::vector<std::string> events;
};

class Pictlet : public testing::Test {
protected:
    static void SetUpTestSuite() {
        CoInitialize(nullptr);
        module_ = LoadLibraryW(Widen(test::ProgramFolder() + "\\Pictlet.dll").c_str());
        ASSERT_NE(module_, nullptr);
        auto registerServer = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
            reinterpret_cast<void*>(GetProcAddress(module_, "DllRegisterServer")));
        ASSERT_NE(registerServer, nullptr);
        ASSERT_EQ(registerServer(), S_OK);
        // Registered already when another test of this process hosted a control.
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        ASSERT_TRUE(AtlAxWinInit() || GetClassInfoExW(nullptr, L"AtlAxWin", &wc) ||
                    GetClassInfoExW(GetModuleHandleW(L"atl.dll"), L"AtlAxWin", &wc));
    }
    static void TearDownTestSuite() {
        auto unregisterServer = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
            reinterpret_cast<void*>(GetProcAddress(module_, "DllUnregisterServer")));
        if (unregisterServer != nullptr)
            unregisterServer();
        CoUninitialize();
    }

    // A host window with the control in it, created by its programmatic identifier.
    void host(int width, int height) {
        frame_ = CreateWindowW(L"STATIC", L"Pictlet test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                               width + 40, height + 60, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(frame_, nullptr);
        axHost_ = CreateWindowW(L"AtlAxWin", kProgId, WS_CHILD | WS_VISIBLE, 5, 5, width, height, frame_,
                                nullptr, nullptr, nullptr);
        ASSERT_NE(axHost_, nullptr);
        IUnknown* unknown = nullptr;
        ASSERT_EQ(AtlAxGetControl(axHost_, &unknown), S_OK);
        ASSERT_NE(unknown, nullptr);
        unknown->QueryInterface(IID_IDispatch, control_.putVoid());
        unknown->Release();
        ASSERT_TRUE(control_);
        ComPtr<IOleWindow> window = control_.as<IOleWindow>(IID_IOleWindow);
        ASSERT_TRUE(window);
        ASSERT_EQ(window->GetWindow(&controlWindow_), S_OK);
        pump();
    }
    void TearDown() override {
        control_.reset();
        if (frame_ != nullptr)
            DestroyWindow(frame_);
        pump();
    }
    static void pump() {
        MSG msg;
        for (int i = 0; i < 200 && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++i)
            DispatchMessageW(&msg);
    }

    HRESULT put(DISPID id, VARIANT value) {
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS p{&value, &named, 1, 1};
        return control_->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYPUT, &p, nullptr, nullptr, nullptr);
    }
    HRESULT putText(DISPID id, const std::wstring& text) {
        VARIANT v;
        v.vt = VT_BSTR;
        v.bstrVal = SysAllocString(text.c_str());
        const HRESULT hr = put(id, v);
        VariantClear(&v);
        return hr;
    }
    HRESULT putNumber(DISPID id, LONG n, VARTYPE type = VT_I4) {
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_I4;
        v.lVal = n;
        if (type != VT_I4)
            VariantChangeType(&v, &v, 0, type);
        return put(id, v);
    }
    VARIANT get(DISPID id) {
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        VARIANT result;
        VariantInit(&result);
        EXPECT_EQ(control_->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr),
                  S_OK);
        return result;
    }
    std::wstring getText(DISPID id) {
        VARIANT v = get(id);
        std::wstring text = v.vt == VT_BSTR && v.bstrVal ? v.bstrVal : L"";
        VariantClear(&v);
        return text;
    }
    HRESULT call(DISPID id, EXCEPINFO* info = nullptr, VARIANT* result = nullptr) {
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        return control_->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &none, result, info, nullptr);
    }
    COLORREF pixel(int x, int y) {
        WindowDc dc(controlWindow_);
        return GetPixel(dc.get(), x, y);
    }

    static HMODULE module_;
    HWND frame_ = nullptr;
    HWND axHost_ = nullptr;
    HWND controlWindow_ = nullptr;
    ComPtr<IDispatch> control_;
    test::TempDir dir_;
};

HMODULE Pictlet::module_ = nullptr;

// The colour the reader's decoding gives for image pixel (x, y), top row 0.
COLORREF ImagePixel(const DibImage& d, int x, int y) {
    const int row = d.height > 0 ? d.height - 1 - y : y;
    const int stride = (d.width * d.bitCount + 31) / 32 * 4;
    const std::uint8_t* p = &d.pixels[static_cast<std::size_t>(row * stride)];
    if (d.bitCount == 8) {
        const std::uint8_t* e = &d.info[40 + 4 * static_cast<std::size_t>(p[x])];
        return RGB(e[2], e[1], e[0]);
    }
    const std::uint8_t* e = p + 4 * x; // 32 bits: blue, green, red, unused
    return RGB(e[2], e[1], e[0]);
}

TEST_F(Pictlet, RegisteredForTheUserAndCreatedByItsProgrammaticIdentifier) {
    CLSID clsid{};
    ASSERT_EQ(CLSIDFromProgID(kProgId, &clsid), S_OK);
    EXPECT_EQ(clsid, kClsid);
    host(200, 120);
    DISPID id = 0;
    LPOLESTR name = const_cast<LPOLESTR>(L"paintpreview");
    EXPECT_EQ(control_->GetIDsOfNames(IID_NULL, &name, 1, 0, &id), S_OK);
    EXPECT_EQ(id, kPaintPreview);
}

TEST_F(Pictlet, EveryPropertyByItsDispid) {
    host(200, 120);
    EXPECT_EQ(get(kEnabled).boolVal, VARIANT_TRUE);
    EXPECT_EQ(get(kBackColor).lVal, static_cast<LONG>(kDefaultBackColor));
    EXPECT_EQ(get(kEdgeStyle).lVal, kNone);
    EXPECT_EQ(get(kStretchBMP).boolVal, VARIANT_FALSE);
    EXPECT_EQ(get(kBMPBackground).lVal, kBlack);
    EXPECT_EQ(getText(kDefaultBitmap), L"");
    EXPECT_EQ(getText(kDrawingFile), L"");

    EXPECT_EQ(putNumber(kEnabled, 0, VT_BOOL), S_OK);
    EXPECT_EQ(putNumber(kBackColor, 0x00123456), S_OK);
    EXPECT_EQ(putNumber(kEdgeStyle, kEtched, VT_I2), S_OK);
    EXPECT_EQ(putNumber(kStretchBMP, -1, VT_BOOL), S_OK);
    EXPECT_EQ(putNumber(kBMPBackground, kWhite), S_OK);
    EXPECT_EQ(putText(kDrawingFile, L"C:\\Plans\\a.dwg"), S_OK);
    EXPECT_EQ(get(kEnabled).boolVal, VARIANT_FALSE);
    EXPECT_EQ(get(kBackColor).lVal, 0x00123456);
    EXPECT_EQ(get(kEdgeStyle).lVal, kEtched);
    EXPECT_EQ(get(kStretchBMP).boolVal, VARIANT_TRUE);
    EXPECT_EQ(get(kBMPBackground).lVal, kWhite);
    EXPECT_EQ(getText(kDrawingFile), L"C:\\Plans\\a.dwg");

    // A default bitmap only with a lower-case "bmp" ending.
    EXPECT_EQ(putText(kDefaultBitmap, L"C:\\x\\empty.BMP"), S_OK);
    EXPECT_EQ(getText(kDefaultBitmap), L"");
    EXPECT_EQ(putText(kDefaultBitmap, L"C:\\x\\empty.bmp"), S_OK);
    EXPECT_EQ(getText(kDefaultBitmap), L"C:\\x\\empty.bmp");
    EXPECT_EQ(call(kRefresh), S_OK);
    EXPECT_EQ(call(0x12345), DISP_E_MEMBERNOTFOUND);
}

TEST_F(Pictlet, PaintPreviewWithoutADrawingRaisesTheFileError) {
    host(200, 120);
    EXCEPINFO info{};
    EXPECT_EQ(call(kPaintPreview, &info), DISP_E_EXCEPTION);
    EXPECT_EQ(static_cast<unsigned long>(info.scode), 0x800A004BUL); // 75
    EXPECT_NE(info.bstrDescription, nullptr);
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    putText(kDrawingFile, Widen(dir_.file("missing.dwg")));
    info = EXCEPINFO{};
    EXPECT_EQ(call(kPaintPreview, &info), DISP_E_EXCEPTION);
    EXPECT_EQ(static_cast<unsigned long>(info.scode), 0x800A0035UL); // 53, File not found
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
}

TEST_F(Pictlet, CentredThumbnailStartsAtHalfTheSpareRoom) {
    const std::string drawing = dir_.write("centred.dwg", samples::SampleDwg("AC1018", {180, 100, 4}));
    const ImageArea area = ReadImageArea(test::ReadFileBytes(drawing), true);
    ASSERT_EQ(area.pictures.size(), 1u);
    const DibImage& dib = area.pictures[0].dib;
    host(200, 120);
    putNumber(kBackColor, 0x0000FF00); // green around the picture
    putText(kDrawingFile, Widen(drawing));
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(call(kPaintPreview, nullptr, &result), S_OK);
    EXPECT_EQ(result.vt, VT_BSTR);
    EXPECT_EQ(SysStringLen(result.bstrVal), 0u);
    VariantClear(&result);
    // (10, 10) shows image pixel (1, 1): the copy starts at the source point (1, 1).
    for (const auto& [x, y] :
         std::vector<std::pair<int, int>>{{0, 0}, {2, 2}, {5, 40}, {60, 30}, {120, 80}}) {
        SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
        EXPECT_EQ(pixel(10 + x, 10 + y), ImagePixel(dib, 1 + x, 1 + y));
    }
    EXPECT_EQ(pixel(5, 60), RGB(0, 255, 0));
    EXPECT_EQ(pixel(195, 60), RGB(0, 255, 0));
}

TEST_F(Pictlet, StretchedCorpusThumbnailsMatchTheReader) {
    if (test::CorpusDir().empty())
        GTEST_SKIP() << "no corpus";
    for (const char* name : {"ldwg_sample_2000.dwg", "ldwg_2004_material.dwg", "acs_sample_AC1024.dwg"}) {
        SCOPED_TRACE(name);
        const std::string path = test::CorpusPath(name);
        for (bool black : {true, false}) {
            const ImageArea area = ReadImageArea(test::ReadFileBytes(path), black);
            ASSERT_FALSE(area.pictures.empty());
            const DibImage& dib = area.pictures.back().dib;
            host(dib.width * 2, std::abs(dib.height) * 2); // an exact double: every pixel a 2 x 2 block
            putNumber(kStretchBMP, -1, VT_BOOL);
            putNumber(kBMPBackground, black ? kBlack : kWhite);
            putText(kDrawingFile, Widen(path));
            ASSERT_EQ(call(kPaintPreview), S_OK);
            for (int i = 0; i < 12; ++i) {
                const int x = (i * 37) % dib.width;
                const int y = (i * 23) % std::abs(dib.height);
                EXPECT_EQ(pixel(2 * x, 2 * y), ImagePixel(dib, x, y)) << x << "," << y;
            }
            TearDown();
        }
    }
}

TEST_F(Pictlet, PngThumbnailsArePainted) {
    if (test::CorpusDir().empty())
        GTEST_SKIP() << "no corpus";
    const std::string path = test::CorpusPath("ldwg_2013_Line.dwg");
    host(256, 102);
    putNumber(kStretchBMP, -1, VT_BOOL);
    putNumber(kBackColor, 0x00FF00FF);
    putText(kDrawingFile, Widen(path));
    ASSERT_EQ(call(kPaintPreview), S_OK);
    // Stretched over the whole control: no trace of the background colour is left.
    int background = 0;
    for (int x = 0; x < 256; x += 16)
        for (int y = 0; y < 102; y += 10)
            background += pixel(x, y) == RGB(255, 0, 255) ? 1 : 0;
    EXPECT_EQ(background, 0);
}

TEST_F(Pictlet, HeaderOnlyAreaShowsTheDefaultBitmap) {
    std::string bytes = samples::SampleDwg("AC1015", {40, 20, 1});
    const std::size_t area = static_cast<std::uint8_t>(bytes[13]) | static_cast<std::uint8_t>(bytes[14]) << 8;
    bytes[area + 20] = 1;
    const std::string drawing = dir_.write("header-only.dwg", bytes);
    // A 4 x 4 red bitmap file.
    std::string bmp = "BM" + std::string(4, '\0') + std::string(4, '\0') + std::string("\x36\0\0\0", 4);
    std::string header(40, '\0');
    header[0] = 40;
    header[4] = 4;
    header[8] = 4;
    header[12] = 1;
    header[14] = 24;
    std::string pixels;
    for (int i = 0; i < 16; ++i)
        pixels += std::string("\x00\x00\xFF", 3);
    bmp += header + pixels;
    const std::string defaultBitmap = dir_.write("default.bmp", bmp);
    host(100, 60);
    putText(kDrawingFile, Widen(drawing));
    ASSERT_EQ(call(kPaintPreview), S_OK);
    EXPECT_NE(pixel(50, 30), RGB(255, 0, 0)); // no default bitmap set: nothing
    putText(kDefaultBitmap, Widen(defaultBitmap));
    ASSERT_EQ(call(kPaintPreview), S_OK);
    EXPECT_EQ(pixel(48, 28), RGB(255, 0, 0));
}

TEST_F(Pictlet, DrawingsAreClosedAndReplacedImagesReleased) {
    const std::string drawing = dir_.write("again.dwg", samples::SampleDwg("AC1018", {64, 40, 2}));
    std::string broken = samples::SampleDwg("AC1018", {64, 40, 2});
    broken.resize(300); // the bitmap runs past the end
    const std::string damaged = dir_.write("damaged.dwg", broken);
    host(100, 60);
    putText(kDrawingFile, Widen(drawing));
    ASSERT_EQ(call(kPaintPreview), S_OK);
    const DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    for (int i = 0; i < 40; ++i)
        ASSERT_EQ(call(kPaintPreview), S_OK);
    const DWORD after = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (before != 0) { // counted where the platform counts them
        EXPECT_LE(after, before + 2);
    }
    putText(kDrawingFile, Widen(damaged));
    EXPECT_EQ(call(kPaintPreview), S_OK); // nothing to show, no error
    // Neither drawing is held open by the control.
    EXPECT_TRUE(DeleteFileW(Widen(drawing).c_str()));
    EXPECT_TRUE(DeleteFileW(Widen(damaged).c_str()));
}

TEST_F(Pictlet, PropertyBagInItsOrder) {
    host(100, 60);
    ComPtr<IPersistPropertyBag> persist = control_.as<IPersistPropertyBag>(IID_IPersistPropertyBag);
    ASSERT_TRUE(persist);
    RecordingBag bag;
    putNumber(kEdgeStyle, kSunken, VT_I2);
    putText(kDrawingFile, L"D:\\x.dwg");
    ASSERT_EQ(persist->Save(&bag, TRUE, TRUE), S_OK);
    EXPECT_EQ(bag.writes, (std::vector<std::string>{"EdgeStyle", "BMPBackground", "StretchBMP", "BackColor",
                                                    "Enabled", "DefaultBitmap", "DrawingFile"}));
    bag.values["DefaultBitmap"].vt = VT_BSTR;
    bag.values["DefaultBitmap"].bstrVal = SysAllocString(L"C:\\no check.BMP"); // stored as it is
    ASSERT_EQ(persist->Load(&bag, nullptr), S_OK);
    EXPECT_EQ(bag.reads, (std::vector<std::string>{"EdgeStyle", "BMPBackground", "DefaultBitmap",
                                                   "DrawingFile", "StretchBMP", "BackColor", "Enabled"}));
    EXPECT_EQ(get(kEdgeStyle).lVal, kSunken);
    EXPECT_EQ(getText(kDrawingFile), L"D:\\x.dwg");
    EXPECT_EQ(getText(kDefaultBitmap), L"C:\\no check.BMP");

    RecordingBag empty; // nothing stored: the defaults
    ASSERT_EQ(persist->Load(&empty, nullptr), S_OK);
    EXPECT_EQ(get(kEdgeStyle).lVal, kNone);
    EXPECT_EQ(get(kBackColor).lVal, static_cast<LONG>(kDefaultBackColor));
    EXPECT_EQ(get(kEnabled).boolVal, VARIANT_TRUE);
}

TEST_F(Pictlet, EventsReachAConnectedSink) {
    host(100, 60);
    ComPtr<IConnectionPointContainer> container =
        control_.as<IConnectionPointContainer>(IID_IConnectionPointContainer);
    ASSERT_TRUE(container);
    ComPtr<IConnectionPoint> point;
    ASSERT_EQ(container->FindConnectionPoint(kEventsIid, point.put()), S_OK);
    EventSink sink;
    DWORD cookie = 0;
    ASSERT_EQ(point->Advise(&sink, &cookie), S_OK);
    SendMessageW(controlWindow_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(12, 34));
    SendMessageW(controlWindow_, WM_LBUTTONUP, 0, MAKELPARAM(12, 34));
    SendMessageW(controlWindow_, WM_MOUSEMOVE, 0, MAKELPARAM(40, 5));
    SendMessageW(controlWindow_, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(12, 34));
    EXPECT_EQ(sink.events, (std::vector<std::string>{"5 1 0 12 34", "4 1 0 12 34", "1", "3 0 0 40 5", "2"}));
    ASSERT_EQ(point->Unadvise(cookie), S_OK);
    SendMessageW(controlWindow_, WM_LBUTTONUP, 0, 0);
    EXPECT_EQ(sink.events.size(), 5u);
}

} // namespace
} // namespace ps
