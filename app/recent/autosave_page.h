// The options sheet's page "自动保存": automatic saving on or off, the
// folder, the name pattern with an example of the name it gives, the
// format and the counter.
#pragma once

#include "framework/property_sheet.h"
#include "kp_config.h"

class COptionAutoSave : public CPropertyPage {
public:
    COptionAutoSave();

    // The settings into the members, and back; an empty folder setting is
    // the default folder, shown as its path.
    void ReadSettings(const CKpConfig& config);
    void WriteSettings(CKpConfig& config) const;

    BOOL m_bAutoSave;
    CString m_strFolder;
    CString m_strPattern;
    int m_nFormat;  // index into the page's format table
    UINT m_nCounter;

protected:
    DECLARE_MESSAGE_MAP()

    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnBrowse();
    // The example follows the pattern, the format and the counter as typed.
    void OnChanged();
    void ShowExample();
};
