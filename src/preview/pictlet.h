// Pictlet: the in-process ActiveX control "Pictlet.acBMPreview" that paints
// the thumbnail stored inside a DWG drawing. Identifiers shared by the
// control library and the programs and tests that drive it.
#pragma once

#include <windows.h>

#include <oaidl.h>
#include <olectl.h>

namespace pictlet {

// {5C1A8D3E-7B42-4F1D-9A6E-2E8B0C4D7F11}
inline constexpr CLSID kClsid = {
    0x5c1a8d3e, 0x7b42, 0x4f1d, {0x9a, 0x6e, 0x2e, 0x8b, 0x0c, 0x4d, 0x7f, 0x11}};
// The control's dispatch interface _acBMPreview.
inline constexpr IID kDispatchIid = {
    0x5c1a8d3e, 0x7b42, 0x4f1d, {0x9a, 0x6e, 0x2e, 0x8b, 0x0c, 0x4d, 0x7f, 0x12}};
// Its outgoing event interface __acBMPreview.
inline constexpr IID kEventsIid = {
    0x5c1a8d3e, 0x7b42, 0x4f1d, {0x9a, 0x6e, 0x2e, 0x8b, 0x0c, 0x4d, 0x7f, 0x13}};

// Its type library, embedded in Pictlet.dll as TYPELIB 1, version 1.0.
inline constexpr GUID kLibid = {0x5c1a8d3e, 0x7b42, 0x4f1d, {0x9a, 0x6e, 0x2e, 0x8b, 0x0c, 0x4d, 0x7f, 0x10}};

inline constexpr wchar_t kProgId[] = L"Pictlet.acBMPreview";
inline constexpr wchar_t kDescription[] = L"DWG Thumbnail viewer";

enum Dispid : DISPID {
    kEnabled = 0x68030000,
    kBackColor = 0x68030001,
    kEdgeStyle = 0x68030002,
    kStretchBMP = 0x68030003,
    kBMPBackground = 0x68030004,
    kDefaultBitmap = 0x68030005,
    kDrawingFile = 0x68030006,
    kPaintPreview = 0x6003000F,
    kRefresh = 0x60030013,
};

enum EventDispid : DISPID { kClick = 1, kDblClick = 2, kMouseMove = 3, kMouseUp = 4, kMouseDown = 5 };

enum Background : LONG { kBlack = 0, kWhite = 0xFFFFFF };
enum BorderEffect : short { kNone = 0, kRaised = 1, kSunken = 2, kEtched = 3 };

inline constexpr OLE_COLOR kDefaultBackColor = 0x8000000F; // the system's button face

// What the control tells containers about itself, in GetMiscStatus and in
// its registration: it activates in place when visible and wants its site
// before anything else.
inline constexpr DWORD kMiscStatus = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE | OLEMISC_INSIDEOUT |
                                     OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST;

} // namespace pictlet
