// Menus from the resource chain, and the command-update pass over the items
// of a menu: marks set by update handlers, items without handlers left alone
// or disabled on request.
#include <gtest/gtest.h>

#include "framework/menu.h"
#include "framework/wnd.h"
#include "framework_test_ids.h"

namespace {

class MarkingWnd : public CWnd {
public:
    BOOL m_bFirstRadio = TRUE;
    int m_nSecondCheck = 1;
    void OnUpdateFirst(CCmdUI* pCmdUI) { pCmdUI->SetRadio(m_bFirstRadio); }
    void OnUpdateRange(CCmdUI* pCmdUI) {
        if (pCmdUI->m_nID == ID_TEST_SECOND) pCmdUI->SetCheck(m_nSecondCheck);
        if (pCmdUI->m_nID == ID_TEST_THIRD) pCmdUI->SetCheck(1);
    }
    void OnInner() {}

protected:
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(MarkingWnd, CWnd)
    ON_UPDATE_COMMAND_UI(ID_TEST_FIRST, &MarkingWnd::OnUpdateFirst)
    ON_UPDATE_COMMAND_UI_RANGE(ID_TEST_SECOND, ID_TEST_THIRD, &MarkingWnd::OnUpdateRange)
    ON_COMMAND(ID_TEST_INNER, &MarkingWnd::OnInner)
END_MESSAGE_MAP()

// The state bits of the item at nPos of hMenu.
struct ItemState {
    UINT fType;
    UINT fState;
};
ItemState StateAt(HMENU hMenu, UINT nPos) {
    MENUITEMINFOA mii = {};
    mii.cbSize = sizeof(mii);
    mii.fMask = MIIM_FTYPE | MIIM_STATE;
    ::GetMenuItemInfoA(hMenu, nPos, TRUE, &mii);
    return {mii.fType, mii.fState};
}

// One update pass over every item of hPopup and of the popups inside it.
void UpdateAll(HMENU hPopup, CCmdTarget* pTarget, BOOL bDisableIfNoHndler) {
    CCmdUI state;
    state.m_hMenu = hPopup;
    for (int i = 0; i < ::GetMenuItemCount(hPopup); ++i) {
        state.m_nIndex = (UINT)i;
        state.m_nID = ::GetMenuItemID(hPopup, i);
        state.m_hSubMenu = ::GetSubMenu(hPopup, i);
        state.DoUpdate(pTarget, bDisableIfNoHndler);
        if (state.m_hSubMenu != nullptr) UpdateAll(state.m_hSubMenu, pTarget, bDisableIfNoHndler);
    }
}

TEST(MenuTest, LoadsFromTheResourceChainAndOwnsWhatItLoads) {
    HMENU hLoaded = nullptr;
    {
        CMenu menu;
        ASSERT_TRUE(menu.LoadMenu(IDR_TEST_MENU));
        hLoaded = menu;
        EXPECT_FALSE(menu.LoadMenu(IDR_TEST_MENU));  // already holds one
        CMenu* pPopup = menu.GetSubMenu(0);
        ASSERT_NE(nullptr, pPopup);
        const UINT expected[] = {ID_TEST_FIRST, 0, ID_TEST_SECOND, (UINT)-1, ID_TEST_PLAIN};
        ASSERT_EQ(5, pPopup->GetMenuItemCount());
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(expected[i], pPopup->GetMenuItemID(i)) << i;
        EXPECT_EQ(nullptr, pPopup->GetSubMenu(1));
        ASSERT_NE(nullptr, pPopup->GetSubMenu(3));
        CString strText;
        pPopup->GetSubMenu(3)->GetMenuString(1, strText, MF_BYPOSITION);
        EXPECT_STREQ("\xc8\xfd", strText);  // 三

        // The default item, by position and read back by command.
        EXPECT_TRUE(pPopup->SetDefaultItem(2, TRUE));
        EXPECT_EQ(2u, pPopup->GetDefaultItem(0, TRUE));
        EXPECT_EQ((UINT)ID_TEST_SECOND, pPopup->GetDefaultItem(0, FALSE));
    }
    EXPECT_FALSE(::IsMenu(hLoaded));  // destroyed with its owner

    CMenu missing;
    EXPECT_FALSE(missing.LoadMenu(IDR_TEST_MENU + 50));
    EXPECT_EQ(nullptr, missing.m_hMenu);

    CMenu kept;
    ASSERT_TRUE(kept.LoadMenu(IDR_TEST_MENU));
    HMENU hKept = kept.Detach();
    EXPECT_EQ(nullptr, kept.m_hMenu);
    EXPECT_TRUE(::IsMenu(hKept));
    ::DestroyMenu(hKept);
}

TEST(MenuTest, UpdatePassSetsMarksAndDisablesOnlyOnRequest) {
    MarkingWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, "marks", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr));
    CMenu menu;
    ASSERT_TRUE(menu.LoadMenu(IDR_TEST_MENU));
    HMENU hPopup = menu.GetSubMenu(0)->m_hMenu;
    HMENU hInner = ::GetSubMenu(hPopup, 3);

    struct Case {
        BOOL bFirstRadio;
        int nSecondCheck;
        BOOL bDisable;
        UINT firstState, secondState, thirdState, plainState, innerState;
    } cases[] = {
        // Marks set; the plain item (no handler at all) is left alone.
        {TRUE, 1, FALSE, MFS_CHECKED, MFS_CHECKED, MFS_CHECKED, 0, 0},
        // Marks cleared again; the pass never enables or disables by itself.
        {FALSE, 0, FALSE, 0, 0, MFS_CHECKED, 0, 0},
        // On request an item without any handler is greyed; an item with a
        // command handler (inner) stays enabled.
        {FALSE, 0, TRUE, 0, 0, MFS_CHECKED, MFS_GRAYED, 0},
    };
    for (const Case& c : cases) {
        wnd.m_bFirstRadio = c.bFirstRadio;
        wnd.m_nSecondCheck = c.nSecondCheck;
        UpdateAll(hPopup, &wnd, c.bDisable);
        EXPECT_EQ(c.firstState, StateAt(hPopup, 0).fState & (MFS_CHECKED | MFS_GRAYED));
        EXPECT_EQ(c.secondState, StateAt(hPopup, 2).fState & (MFS_CHECKED | MFS_GRAYED));
        EXPECT_EQ(c.plainState, StateAt(hPopup, 4).fState & (MFS_CHECKED | MFS_GRAYED));
        EXPECT_EQ(c.innerState, StateAt(hInner, 0).fState & (MFS_CHECKED | MFS_GRAYED));
        EXPECT_EQ(c.thirdState, StateAt(hInner, 1).fState & (MFS_CHECKED | MFS_GRAYED));
    }
    // A radio mark is drawn as a bullet, a check as a tick.
    EXPECT_TRUE(StateAt(hPopup, 0).fType & MFT_RADIOCHECK);
    EXPECT_FALSE(StateAt(hPopup, 2).fType & MFT_RADIOCHECK);
}

}  // namespace
