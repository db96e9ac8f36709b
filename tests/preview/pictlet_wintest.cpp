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

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
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

// A sink with a reference count of its own that logs its events, its return
// from each event and its end, and runs an action inside each event.
class ActionSink final : public IDispatch {
public:
    ActionSink(std::string name, std::vector<std::string>& log) : name_(std::move(name)), log_(&log) {}
    ~ActionSink() { log_->push_back("end " + name_); }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == kEventsIid) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --refs_;
        if (left == 0)
            delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override {
        // Nothing of the object is touched after the action: it may have ended.
        std::vector<std::string>* log = log_;
        const std::string name = name_;
        log->push_back("event " + std::to_string(id) + " " + name);
        if (action)
            action();
        log->push_back("back " + name);
        return S_OK;
    }
    std::function<void()> action;

private:
    ULONG refs_ = 1;
    std::string name_;
    std::vector<std::string>* log_;
};

// The seven properties of a control as text, in the property bag's order.
std::vector<std::wstring> PropertiesOf(IDispatch* control) {
    std::vector<std::wstring> texts;
    for (DISPID id :
         {kEdgeStyle, kBMPBackground, kStretchBMP, kBackColor, kEnabled, kDefaultBitmap, kDrawingFile}) {
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        VARIANT v;
        VariantInit(&v);
        control->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &v, nullptr, nullptr);
        VariantChangeType(&v, &v, 0, VT_BSTR);
        texts.push_back(v.vt == VT_BSTR && v.bstrVal ? v.bstrVal : L"?");
        VariantClear(&v);
    }
    return texts;
}

// The pixels of a device context's area as 32-bit BGRX, top row first.
std::vector<std::uint32_t> Pixels(HDC dc, int width, int height) {
    UniqueMemoryDc copy(CreateCompatibleDC(dc));
    UniqueBitmap bitmap(CreateCompatibleBitmap(dc, width, height));
    {
        ScopedSelect select(copy.get(), bitmap.get());
        BitBlt(copy.get(), 0, 0, width, height, dc, 0, 0, SRCCOPY);
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
    GetDIBits(copy.get(), bitmap.get(), 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
    return pixels;
}

class Pictlet : public testing::Test {
protected:
    static void SetUpTestSuite() {
        CoInitialize(nullptr);
        module_ = LoadLibraryW(Widen(test::ProgramFolder() + "\\Pictlet.dll").c_str());
        ASSERT_NE(module_, nullptr);
        ASSERT_EQ(callExport("DllRegisterServer"), S_OK);
        // Registered already when another test of this process hosted a control.
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        ASSERT_TRUE(AtlAxWinInit() || GetClassInfoExW(nullptr, L"AtlAxWin", &wc) ||
                    GetClassInfoExW(GetModuleHandleW(L"atl.dll"), L"AtlAxWin", &wc));
    }
    static void TearDownTestSuite() {
        callExport("DllUnregisterServer");
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
    static HRESULT callExport(const char* name) {
        auto function = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
            reinterpret_cast<void*>(GetProcAddress(module_, name)));
        return function != nullptr ? function() : E_FAIL;
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
    DWORD misc = 0;
    EXPECT_EQ(OleRegGetMiscStatus(kClsid, DVASPECT_CONTENT, &misc), S_OK);
    EXPECT_EQ(misc, kMiscStatus);
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
    // A system colour as a script host passes it: a double above the signed range.
    VARIANT system;
    system.vt = VT_R8;
    system.dblVal = 2147483663.0; // 0x8000000F
    EXPECT_EQ(put(kBackColor, system), S_OK);
    EXPECT_EQ(static_cast<unsigned long>(get(kBackColor).lVal), 0x8000000FUL);
    EXPECT_EQ(putNumber(kBackColor, 0x00123456), S_OK);
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
    // An image area offset before the file's start is an error too, not an empty picture.
    std::string drawing = samples::SampleDwg("AC1018", {});
    drawing[16] = '\x80';
    putText(kDrawingFile, Widen(dir_.write("before.dwg", drawing)));
    info = EXCEPINFO{};
    EXPECT_EQ(call(kPaintPreview, &info), DISP_E_EXCEPTION);
    EXPECT_EQ(static_cast<unsigned long>(info.scode), 0x800A003FUL); // 63, Bad record number
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

// Wired as a designer does: the event interface is the one the class
// information names as the default source.
TEST_F(Pictlet, EventsReachASinkOfTheInterfaceTheClassInformationNames) {
    host(100, 60);
    ComPtr<IProvideClassInfo2> classInfo = control_.as<IProvideClassInfo2>(IID_IProvideClassInfo2);
    ASSERT_TRUE(classInfo);
    IID source{};
    ASSERT_EQ(classInfo->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source), S_OK);
    ComPtr<IConnectionPointContainer> container =
        control_.as<IConnectionPointContainer>(IID_IConnectionPointContainer);
    ASSERT_TRUE(container);
    ComPtr<IConnectionPoint> point;
    ASSERT_EQ(container->FindConnectionPoint(source, point.put()), S_OK);
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

// What a designer reads: the registered library describes the class with its
// default and source interfaces, and every member it lists is answered by the
// control under the same DISPID, also when called through the type information.
TEST_F(Pictlet, TheRegisteredTypeLibraryDescribesTheControlAsItBehaves) {
    host(100, 60);
    ComPtr<ITypeLib> lib;
    ASSERT_EQ(LoadRegTypeLib(kLibid, 1, 0, 0, lib.put()), S_OK);
    ComPtr<ITypeInfo> coclass;
    ASSERT_EQ(lib->GetTypeInfoOfGuid(kClsid, coclass.put()), S_OK);
    std::map<int, GUID> implemented; // by the implementation flags
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(coclass->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_COCLASS);
    EXPECT_NE(attr->wTypeFlags & TYPEFLAG_FCONTROL, 0);
    for (UINT i = 0; i < attr->cImplTypes; ++i) {
        INT flags = 0;
        HREFTYPE ref = 0;
        ComPtr<ITypeInfo> implementedInfo;
        coclass->GetImplTypeFlags(i, &flags);
        coclass->GetRefTypeOfImplType(i, &ref);
        ASSERT_EQ(coclass->GetRefTypeInfo(ref, implementedInfo.put()), S_OK);
        TYPEATTR* a = nullptr;
        implementedInfo->GetTypeAttr(&a);
        implemented[flags] = a->guid;
        implementedInfo->ReleaseTypeAttr(a);
    }
    coclass->ReleaseTypeAttr(attr);
    EXPECT_EQ(implemented[IMPLTYPEFLAG_FDEFAULT], kDispatchIid);
    EXPECT_EQ(implemented[IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE], kEventsIid);

    ComPtr<ITypeInfo> dispatch;
    ASSERT_EQ(control_->GetTypeInfo(0, 0, dispatch.put()), S_OK);
    ASSERT_EQ(dispatch->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->guid, kDispatchIid);
    std::map<DISPID, std::wstring> members;
    for (UINT i = 0; i < attr->cFuncs; ++i) {
        FUNCDESC* f = nullptr;
        ASSERT_EQ(dispatch->GetFuncDesc(i, &f), S_OK);
        BSTR name = nullptr;
        dispatch->GetDocumentation(f->memid, &name, nullptr, nullptr, nullptr);
        DISPID byControl = DISPID_UNKNOWN;
        EXPECT_EQ(control_->GetIDsOfNames(IID_NULL, &name, 1, 0, &byControl), S_OK) << Narrow(name);
        EXPECT_EQ(byControl, f->memid) << Narrow(name);
        members[f->memid] = name;
        SysFreeString(name);
        dispatch->ReleaseFuncDesc(f);
    }
    dispatch->ReleaseTypeAttr(attr);
    EXPECT_EQ(members.size(), 9u); // seven properties, two methods

    ComPtr<ITypeInfo> events;
    ASSERT_EQ(lib->GetTypeInfoOfGuid(kEventsIid, events.put()), S_OK);
    ASSERT_EQ(events->GetTypeAttr(&attr), S_OK);
    std::vector<DISPID> eventIds;
    for (UINT i = 0; i < attr->cFuncs; ++i) {
        FUNCDESC* f = nullptr;
        events->GetFuncDesc(i, &f);
        eventIds.push_back(f->memid);
        events->ReleaseFuncDesc(f);
    }
    events->ReleaseTypeAttr(attr);
    EXPECT_EQ(eventIds, (std::vector<DISPID>{kClick, kDblClick, kMouseMove, kMouseUp, kMouseDown}));

    LPOLESTR name = const_cast<LPOLESTR>(L"StretchBMP");
    MEMBERID stretch = 0;
    ASSERT_EQ(dispatch->GetIDsOfNames(&name, 1, &stretch), S_OK);
    VARIANT on;
    on.vt = VT_BOOL;
    on.boolVal = VARIANT_TRUE;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&on, &named, 1, 1};
    EXPECT_EQ(
        dispatch->Invoke(control_.get(), stretch, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr),
        S_OK);
    EXPECT_EQ(get(kStretchBMP).boolVal, VARIANT_TRUE);
}

// A windowless container, print preview or thumbnail capture draws the
// control into its own context: the same pixels as the window, centred and
// stretched.
TEST_F(Pictlet, DrawingIntoAContextPaintsWhatTheWindowShows) {
    if (test::CorpusDir().empty())
        GTEST_SKIP() << "no corpus";
    constexpr int kWidth = 220, kHeight = 150;
    host(kWidth, kHeight);
    putNumber(kBackColor, 0x00336699);
    putNumber(kEdgeStyle, kEtched, VT_I2);
    putText(kDrawingFile, Widen(test::CorpusPath("ldwg_sample_2000.dwg")));
    ASSERT_EQ(call(kPaintPreview), S_OK);
    ComPtr<IViewObject2> view = control_.as<IViewObject2>(IID_IViewObject2);
    ASSERT_TRUE(view);
    SIZEL extent{};
    EXPECT_EQ(view->GetExtent(DVASPECT_CONTENT, -1, nullptr, &extent), S_OK);
    EXPECT_GT(extent.cx, 0);
    WindowDc screen(controlWindow_);
    for (bool stretched : {false, true}) {
        SCOPED_TRACE(stretched ? "stretched" : "centred");
        putNumber(kStretchBMP, stretched ? -1 : 0, VT_BOOL);
        ASSERT_EQ(call(kRefresh), S_OK);
        UniqueMemoryDc memory(CreateCompatibleDC(screen.get()));
        UniqueBitmap bitmap(CreateCompatibleBitmap(screen.get(), kWidth, kHeight));
        ScopedSelect select(memory.get(), bitmap.get());
        const RECTL bounds{0, 0, kWidth, kHeight};
        ASSERT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, memory.get(), &bounds, nullptr,
                             nullptr, 0),
                  S_OK);
        const auto drawn = Pixels(memory.get(), kWidth, kHeight);
        const auto shown = Pixels(screen.get(), kWidth, kHeight);
        // The background (red 0x99, green 0x66, blue 0x33) shows only around a centred picture.
        EXPECT_EQ(std::count(drawn.begin(), drawn.end(), 0x00996633u) > 0, !stretched);
        EXPECT_TRUE(drawn == shown);
    }
}

// Saved by a designer and loaded into a new instance, by stream and by bag:
// every property as it was. A damaged stream changes nothing.
TEST_F(Pictlet, PersistenceRoundTripsEveryProperty) {
    host(100, 60);
    putNumber(kEdgeStyle, kSunken, VT_I2);
    putNumber(kBMPBackground, kWhite);
    putNumber(kStretchBMP, -1, VT_BOOL);
    putNumber(kBackColor, 0x00123456);
    putNumber(kEnabled, 0, VT_BOOL);
    putText(kDefaultBitmap, L"C:\\Images\\none.bmp");
    putText(kDrawingFile, L"D:\\Plans\\h\u00e4user.dwg");
    const auto expected = PropertiesOf(control_.get());

    ComPtr<IPersistStreamInit> persist = control_.as<IPersistStreamInit>(IID_IPersistStreamInit);
    ASSERT_TRUE(persist);
    EXPECT_EQ(persist->IsDirty(), S_OK);
    ComPtr<IStream> stream;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, stream.put()), S_OK);
    ULARGE_INTEGER size{};
    ASSERT_EQ(persist->GetSizeMax(&size), S_OK);
    ASSERT_EQ(persist->Save(stream.get(), TRUE), S_OK);
    EXPECT_EQ(persist->IsDirty(), S_FALSE);
    STATSTG stat{};
    stream->Stat(&stat, STATFLAG_NONAME);
    EXPECT_EQ(stat.cbSize.QuadPart, size.QuadPart);

    ComPtr<IDispatch> fromStream;
    ASSERT_EQ(CoCreateInstance(kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, fromStream.putVoid()),
              S_OK);
    LARGE_INTEGER start{};
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    ASSERT_EQ(fromStream.as<IPersistStreamInit>(IID_IPersistStreamInit)->Load(stream.get()), S_OK);
    EXPECT_EQ(PropertiesOf(fromStream.get()), expected);

    RecordingBag bag;
    ASSERT_EQ(control_.as<IPersistPropertyBag>(IID_IPersistPropertyBag)->Save(&bag, TRUE, TRUE), S_OK);
    ComPtr<IDispatch> fromBag;
    ASSERT_EQ(CoCreateInstance(kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, fromBag.putVoid()),
              S_OK);
    ASSERT_EQ(fromBag.as<IPersistPropertyBag>(IID_IPersistPropertyBag)->Load(&bag, nullptr), S_OK);
    EXPECT_EQ(PropertiesOf(fromBag.get()), expected);

    ComPtr<IStream> damaged;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, damaged.put()), S_OK);
    ULARGE_INTEGER cut{};
    cut.QuadPart = size.QuadPart - 3;
    stream->Seek(start, STREAM_SEEK_SET, nullptr);
    stream->CopyTo(damaged.get(), cut, nullptr, nullptr);
    damaged->Seek(start, STREAM_SEEK_SET, nullptr);
    const auto before = PropertiesOf(fromBag.get());
    putText(kDrawingFile, L"E:\\changed.dwg");
    EXPECT_NE(fromBag.as<IPersistStreamInit>(IID_IPersistStreamInit)->Load(damaged.get()), S_OK);
    EXPECT_EQ(PropertiesOf(fromBag.get()), before);
}

// One sink unadvises itself inside its event, the next one drops the last
// reference to the control: each call ends before its sink does, the control
// ends after the message, and nothing faults.
TEST_F(Pictlet, SinksMayLetGoOfThemselvesAndOfTheControlInsideAnEvent) {
    frame_ = CreateWindowW(L"STATIC", L"Pictlet test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 150,
                           nullptr, nullptr, nullptr, nullptr);
    ComPtr<IOleObject> object;
    ASSERT_EQ(CoCreateInstance(kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, object.putVoid()),
              S_OK);
    const RECT place{5, 5, 105, 65};
    ASSERT_EQ(object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, nullptr, 0, frame_, &place), S_OK);
    HWND window = nullptr;
    ASSERT_EQ(object.as<IOleWindow>(IID_IOleWindow)->GetWindow(&window), S_OK);
    ComPtr<IConnectionPoint> point;
    ASSERT_EQ(object.as<IConnectionPointContainer>(IID_IConnectionPointContainer)
                  ->FindConnectionPoint(kEventsIid, point.put()),
              S_OK);
    std::vector<std::string> log;
    auto* leaving = new ActionSink("leaving", log);
    auto* last = new ActionSink("last", log);
    DWORD leavingCookie = 0, lastCookie = 0;
    ASSERT_EQ(point->Advise(leaving, &leavingCookie), S_OK);
    ASSERT_EQ(point->Advise(last, &lastCookie), S_OK);
    leaving->Release(); // the control holds the only references now
    last->Release();
    leaving->action = [&] {
        point->Unadvise(leavingCookie);
    };
    last->action = [&] {
        point.reset();
        object.reset();
    };
    SendMessageW(window, WM_LBUTTONDBLCLK, MK_LBUTTON, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"event 2 leaving", "back leaving", "event 2 last", "back last",
                                             "end leaving", "end last"}));
    EXPECT_FALSE(IsWindow(window));
}

// Removed without a trace: the class, its identifier, its type library and
// its interfaces, for the user and for the machine.
TEST_F(Pictlet, UnregistrationLeavesNoKeyOfTheControlOrItsTypeLibrary) {
    auto guid = [](const GUID& g) {
        wchar_t text[64];
        StringFromGUID2(g, text, 64);
        return std::wstring(text);
    };
    const std::wstring keys[] = {L"CLSID\\" + guid(kClsid), kProgId, L"TypeLib\\" + guid(kLibid),
                                 L"Interface\\" + guid(kDispatchIid), L"Interface\\" + guid(kEventsIid)};
    auto present = [&](HKEY root, const std::wstring& key) {
        UniqueRegKey opened;
        return RegOpenKeyExW(root, (L"Software\\Classes\\" + key).c_str(), 0, KEY_READ, opened.put()) ==
               ERROR_SUCCESS;
    };
    for (const auto& key : keys)
        EXPECT_TRUE(present(HKEY_CURRENT_USER, key)) << Narrow(key);
    // The other platform's copy, registered beside this one, keeps its type library.
    const std::wstring library = L"TypeLib\\" + guid(kLibid) + L"\\1.0\\0\\";
    const std::wstring other = library + (sizeof(void*) == 8 ? L"win32" : L"win64");
    UniqueRegKey otherKey;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (L"Software\\Classes\\" + other).c_str(), 0, nullptr, 0,
                              KEY_WRITE, nullptr, otherKey.put(), nullptr),
              ERROR_SUCCESS);
    otherKey.reset();
    ASSERT_EQ(callExport("DllUnregisterServer"), S_OK);
    EXPECT_TRUE(present(HKEY_CURRENT_USER, other));
    EXPECT_FALSE(present(HKEY_CURRENT_USER, library + (sizeof(void*) == 8 ? L"win64" : L"win32")));
    RegDeleteTreeW(HKEY_CURRENT_USER, (L"Software\\Classes\\TypeLib\\" + guid(kLibid)).c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, (L"Software\\Classes\\TypeLib\\" + guid(kLibid)).c_str());
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
        for (const auto& key : keys)
            EXPECT_FALSE(present(root, key)) << Narrow(key);
    EXPECT_EQ(callExport("DllRegisterServer"), S_OK); // for the tests after this one
}

} // namespace
} // namespace ps
