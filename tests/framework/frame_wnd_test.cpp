// Frame windows own themselves: however the window ends, and when its
// creation fails, the object is gone; their maps take registered messages.
#include <gtest/gtest.h>

#include "framework/frame_wnd.h"
#include "framework_test_ids.h"

namespace {

int g_nFramesAlive = 0;

const UINT g_nFrameTestMessage = ::RegisterWindowMessageA("KaptoFrameWndTestMessage");

class CountedFrame : public CFrameWnd {
public:
    explicit CountedFrame(BOOL bRefuseCreate = FALSE) : m_bRefuseCreate(bRefuseCreate) { ++g_nFramesAlive; }
    ~CountedFrame() override { --g_nFramesAlive; }

    int OnCreate(LPCREATESTRUCTA lpCreateStruct) {
        if (m_bRefuseCreate) return -1;
        return CFrameWnd::OnCreate(lpCreateStruct);
    }
    LRESULT OnRegistered(WPARAM wParam, LPARAM) { return (LRESULT)wParam + 1; }

    BOOL m_bRefuseCreate;

protected:
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CountedFrame, CFrameWnd)
    ON_WM_CREATE()
    ON_REGISTERED_MESSAGE(g_nFrameTestMessage, &CountedFrame::OnRegistered)
END_MESSAGE_MAP()

TEST(FrameWndTest, TheObjectGoesWithItsWindowOrWithAFailedCreate) {
    enum End { kDestroy, kClose, kRefusedCreate, kMissingMenu };
    for (End end : {kDestroy, kClose, kRefusedCreate, kMissingMenu}) {
        ASSERT_EQ(0, g_nFramesAlive);
        CountedFrame* pFrame = new CountedFrame(end == kRefusedCreate);
        LPCSTR lpszMenu = end == kMissingMenu ? MAKEINTRESOURCEA(IDR_TEST_FRAME_MENU + 90) : nullptr;
        BOOL bCreated =
            pFrame->Create(nullptr, "frame", WS_OVERLAPPEDWINDOW, CFrameWnd::rectDefault, nullptr, lpszMenu);
        if (end == kRefusedCreate || end == kMissingMenu) {
            EXPECT_FALSE(bCreated) << end;
        } else {
            ASSERT_TRUE(bCreated) << end;
            HWND h = pFrame->GetSafeHwnd();
            if (end == kDestroy)
                pFrame->DestroyWindow();
            else
                ::SendMessageA(h, WM_CLOSE, 0, 0);
            EXPECT_FALSE(::IsWindow(h)) << end;
        }
        EXPECT_EQ(0, g_nFramesAlive) << end;
    }
}

TEST(FrameWndTest, DefaultsMenuAndRegisteredMessages) {
    CountedFrame* pFrame = new CountedFrame;
    ASSERT_TRUE(pFrame->Create(nullptr, "frame", WS_OVERLAPPEDWINDOW, CFrameWnd::rectDefault, nullptr,
                               MAKEINTRESOURCEA(IDR_TEST_FRAME_MENU)));
    HWND h = pFrame->GetSafeHwnd();
    char szClass[64];
    ::GetClassNameA(h, szClass, sizeof(szClass));
    EXPECT_STREQ(CFrameWnd::GetDefaultClass(), szClass);
    EXPECT_EQ((DWORD)WS_OVERLAPPEDWINDOW, pFrame->GetStyle() & (WS_OVERLAPPEDWINDOW | WS_VISIBLE));
    EXPECT_EQ((UINT)ID_TEST_FIRST, ::GetMenuItemID(::GetMenu(h), 0));
    EXPECT_EQ(42, ::SendMessageA(h, g_nFrameTestMessage, 41, 0));
    pFrame->DestroyWindow();
    EXPECT_EQ(0, g_nFramesAlive);
}

}  // namespace
