#include "options_sheet.h"

#include "option_pages.h"
#include "recent/autosave_page.h"

namespace {

const UINT kImagePage = 1;  // the sheet opens on "图像"

}  // namespace

INT_PTR RunOptionsSheet(CWnd* pMainWnd, CKpConfig& config) {
    CPropertySheet sheet("参数设置", pMainWnd, kImagePage);
    COptionBasic basic;
    COptionImage image;
    COptionHotkey hotkey;
    sheet.AddPage(&basic);
    sheet.AddPage(&image);
    sheet.AddPage(&hotkey);
    COptionAutoSave autosave;
    sheet.AddPage(&autosave);
    autosave.m_psp.dwFlags &= ~PSP_HASHELP;
    autosave.ReadSettings(config);
    // OK and Cancel only: no Apply and no Help.
    sheet.m_psh.dwFlags = (sheet.m_psh.dwFlags & ~PSH_HASHELP) | PSH_NOAPPLYNOW;
    basic.m_psp.dwFlags &= ~PSP_HASHELP;
    image.m_psp.dwFlags &= ~PSP_HASHELP;
    hotkey.m_psp.dwFlags &= ~PSP_HASHELP;

    basic.m_bPlaySnapSound = config.GetPlaySnapSound();
    basic.m_bHideMainWnd = config.GetHideMainWnd();
    basic.m_bSnapOnStart = config.GetSnapOnStart();
    basic.m_nSnapDelayTime = config.GetSnapDelayTime();
    basic.m_bKeepOnTop = config.GetKeepOnTop();
    basic.m_bCapturePointer = config.GetCapturePointer();
    basic.m_nFullScreenScope = config.GetFullScreenScope();
    image.m_strEditAppPath = config.GetEditAppPath();
    image.m_nRotateAngle = config.GetRotateAngle();
    image.m_nScaleFactor = config.GetScaleFactor();
    image.m_nShearAcrossAmout = config.GetShearAcrossAmout();
    image.m_nShearDownAmout = config.GetShearDownAmout();
    image.m_nBlurFactor = config.GetBlurFactor();
    image.m_nSharpenFactor = config.GetSharpenFactor();
    const KaptoHotkey* pHotkeys = GetKaptoHotkeys();
    for (int i = 0; i < KAPTO_HOTKEY_COUNT; ++i) {
        unsigned short wModifier = 0;
        unsigned short wVk = 0;
        (config.*pHotkeys[i].pfnGet)(wModifier, wVk);
        hotkey.m_hotkey[i][0] = wModifier;
        hotkey.m_hotkey[i][1] = wVk;
    }

    INT_PTR nResult = sheet.DoModal();
    if (nResult != IDOK) return nResult;

    // A page that was never shown hands its members back unchanged.
    config.SetPlaySnapSound(basic.m_bPlaySnapSound);
    config.SetHideMainWnd(basic.m_bHideMainWnd);
    config.SetSnapOnStart(basic.m_bSnapOnStart);
    config.SetSnapDelayTime(basic.m_nSnapDelayTime);
    config.SetKeepOnTop(basic.m_bKeepOnTop);
    config.SetCapturePointer(basic.m_bCapturePointer);
    config.SetFullScreenScope(basic.m_nFullScreenScope);
    config.SetEditAppPath(image.m_strEditAppPath);
    config.SetRotateAngle(image.m_nRotateAngle);
    config.SetScaleFactor(image.m_nScaleFactor);
    config.SetShearAcrossAmout(image.m_nShearAcrossAmout);
    config.SetShearDownAmout(image.m_nShearDownAmout);
    config.SetBlurFactor(image.m_nBlurFactor);
    config.SetSharpenFactor(image.m_nSharpenFactor);
    for (int i = 0; i < KAPTO_HOTKEY_COUNT; ++i)
        (config.*pHotkeys[i].pfnSet)(hotkey.m_hotkey[i][0], hotkey.m_hotkey[i][1]);
    autosave.WriteSettings(config);

    if (pMainWnd != nullptr && pMainWnd->m_hWnd != nullptr)
        ::SetWindowPos(pMainWnd->m_hWnd, config.GetKeepOnTop() ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                       SWP_NOSIZE | SWP_NOMOVE);
    return nResult;
}
