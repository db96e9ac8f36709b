// Text conversion, handle owners and the message pump on the real platform.
#include "platform/handles.h"
#include "platform/message_pump.h"
#include "platform/text.h"
#include "platform/wic_png.h"
#include "report/png_writer.h"
#include "platform/window_entry.h"

#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

namespace ps {
namespace {

TEST(Text, Utf8AndUtf16RoundTrip) {
    const std::string utf8 = "Plan Ü € Ω 図面 😀";
    const std::wstring wide = Widen(utf8);
    EXPECT_EQ(wide, L"Plan \u00dc \u20ac \u03a9 \u56f3\u9762 \U0001F600");
    EXPECT_EQ(Narrow(wide), utf8);
    EXPECT_EQ(Widen(""), L"");
    EXPECT_EQ(Narrow(L""), "");
}

TEST(Text, AnsiCodePageBoundary) {
    ASSERT_EQ(GetACP(), 1252u) << "these cases assume the Western European code page";
    EXPECT_EQ(ToAnsi("Größe € é"), std::optional<std::string>("Gr\xF6\xDF"
                                                              "e \x80 \xE9"));
    EXPECT_EQ(FromAnsi("Gr\xF6\xDF"
                       "e \x80"),
              "Größe €");
    // No exact form: refused rather than written as "?" or a look-alike.
    EXPECT_EQ(ToAnsi("\xCE\xA9"), std::nullopt);     // Greek capital omega
    EXPECT_EQ(ToAnsi("\xE5\x9B\xB3"), std::nullopt); // CJK
    EXPECT_EQ(ToAnsi("\xC4\x81"), std::nullopt);     // a with macron (best fit would give "a")
    EXPECT_EQ(ToAnsiLossy("x\xCE\xA9").size(), 2u);  // best fit or "?", never dropped
    EXPECT_EQ(ToAnsi(""), std::optional<std::string>(""));
}

TEST(Handles, OwnersCloseAndMove) {
    UniqueHandleKernel event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(event);
    const HANDLE raw = event.get();
    UniqueHandleKernel moved(std::move(event));
    EXPECT_FALSE(event);
    EXPECT_EQ(moved.get(), raw);
    DWORD flags = 0;
    EXPECT_TRUE(GetHandleInformation(raw, &flags));
    moved.reset();
    EXPECT_FALSE(GetHandleInformation(raw, &flags)); // closed

    UniqueFile missing(
        CreateFileW(L"C:\\no\\such\\file.dwg", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(missing);

    WIN32_FIND_DATAW data;
    UniqueFind find(FindFirstFileW(L"C:\\windows\\*", &data));
    EXPECT_TRUE(find);
}

LRESULT CALLBACK CountingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_APP) {
        auto* count = reinterpret_cast<int*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        ++*count;
        if (wp == 1) // posts itself another message every time
            PostMessageW(hwnd, WM_APP, 1, 0);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

TEST(MessagePump, ProcessesPendingMessagesOnceAndReturns) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = CountingProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"PsPumpTest";
    RegisterClassW(&wc);
    HWND hwnd =
        CreateWindowW(L"PsPumpTest", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(hwnd, nullptr);
    int count = 0;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&count));

    for (int i = 0; i < 3; ++i)
        PostMessageW(hwnd, WM_APP, 0, 0);
    EXPECT_TRUE(PumpPendingMessages());
    EXPECT_EQ(count, 3);

    // A message that keeps reposting itself does not trap the caller.
    count = 0;
    PostMessageW(hwnd, WM_APP, 1, 0);
    EXPECT_TRUE(PumpPendingMessages());
    EXPECT_GT(count, 0);

    // WM_QUIT stays for the outer loop.
    DestroyWindow(hwnd);
    PumpPendingMessages();
    PostQuitMessage(7);
    EXPECT_FALSE(PumpPendingMessages());
    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}

// An owner whose handler fails on WM_APP and counts what reaches it.
struct FailingOwner {
    int handled = 0;
    std::string reported;
    LRESULT handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        ++handled;
        if (message == WM_APP)
            throw std::runtime_error("no room");
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    LRESULT failed(HWND, UINT, WPARAM, LPARAM, const char* what) noexcept {
        reported = what;
        return 42;
    }
};

TEST(WindowEntry, AnErrorEscapingTheHandlerGoesToTheOwnersReport) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = WindowEntry<FailingOwner>;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"PsEntryTest";
    RegisterClassW(&wc);
    FailingOwner owner;
    HWND hwnd =
        CreateWindowW(L"PsEntryTest", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, &owner);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_GT(owner.handled, 0); // WM_NCCREATE already reached it

    EXPECT_EQ(SendMessageW(hwnd, WM_APP, 0, 0), 42);
    EXPECT_EQ(owner.reported, "no room");

    DestroyWindow(hwnd);
}

} // namespace
} // namespace ps

namespace ps {
namespace {

std::uint32_t PngSide(const std::string& png, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(png[at])) << 24 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(png[at + 1])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(png[at + 2])) << 8 |
           static_cast<unsigned char>(png[at + 3]);
}

// A 648 x 512 picture, stored uncompressed as the writer makes it, comes
// back from the imaging component fitted to 192 pixels, aspect kept, and
// compressed; a small one is not enlarged.
TEST(PngCompactor, FitsTheBoxAndCompresses) {
    std::vector<std::uint32_t> rgb;
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 648; ++x)
            rgb.push_back(x < 324 ? 0xFFFFFFu : static_cast<std::uint32_t>((y / 64) * 0x202020));
    const std::string big = EncodePng(648, 512, rgb);
    PngCompactor compactor;
    const auto small = compactor.compact(big, 192, 192);
    ASSERT_TRUE(small.has_value());
    EXPECT_EQ(small->substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    EXPECT_EQ(PngSide(*small, 16), 192u);
    EXPECT_EQ(PngSide(*small, 20), 152u);
    EXPECT_LT(small->size(), big.size() / 50);
    const auto same = compactor.compact(EncodePng(2, 2, {0, 0, 0, 0}), 192, 192);
    ASSERT_TRUE(same.has_value());
    EXPECT_EQ(PngSide(*same, 16), 2u);
    EXPECT_FALSE(compactor.compact("not a picture", 192, 192).has_value());
}

} // namespace
} // namespace ps
