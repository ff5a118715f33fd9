// Single-instance names and foreground activation.
#include <gtest/gtest.h>

#include <windows.h>

#include "zrlsetup/utility/base/unique_handle.h"
#include "zrlsetup/zrlinstaller/appinstance.h"

namespace {

TEST(AppInstance, ObjectNameAppendsANonZeroAppIdWithoutSeparator) {
    EXPECT_EQ(AppInstanceObjectName(L"Global\\{A043B702-166A-4FB8-9733-E2BC4713F36F}", 158),
              L"Global\\{A043B702-166A-4FB8-9733-E2BC4713F36F}158");
    EXPECT_EQ(AppInstanceObjectName(L"Global\\own-name", 0), L"Global\\own-name");
    EXPECT_EQ(AppInstanceObjectName(L"Global\\x", -3), L"Global\\x-3");
}

TEST(AppInstance, FirstClaimHoldsTheNameAndLaterClaimsGetTheExistingMutex) {
    EXPECT_EQ(CreateAppInstance(L"Global\\zrl-unit-instance", 7), nullptr);
    zrl::UniqueHandle second(CreateAppInstance(L"Global\\zrl-unit-instance", 7));
    EXPECT_TRUE(second.Valid());
    EXPECT_EQ(CreateAppInstance(L"Global\\zrl-unit-instance", 8), nullptr) << "another app id is another name";
    // Any user may open the mutex: its DACL is null.
    zrl::UniqueHandle opened(OpenMutexW(SYNCHRONIZE, FALSE, L"Global\\zrl-unit-instance7"));
    EXPECT_TRUE(opened.Valid());
}

TEST(AppInstance, BringWindowToFrontRestoresAndDoesNotLeaveTheWindowTopmost) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ZrlFrontTest";
    RegisterClassW(&wc);
    HWND window = CreateWindowW(wc.lpszClassName, L"front", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOWMINIMIZED);
    ASSERT_TRUE(IsIconic(window));

    BringWindowToFront(window);

    EXPECT_FALSE(IsIconic(window));
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    EXPECT_EQ(GetForegroundWindow(), window);
    DestroyWindow(window);
}

} // namespace
