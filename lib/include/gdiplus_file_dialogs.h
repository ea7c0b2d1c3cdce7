// The image file dialogs: open and save dialogs whose file types are the
// GDI+ decoders (open) or encoders (save) present on the machine, read anew
// each time a dialog is shown. The save dialog also tracks which encoder the
// user chose, through the file-type list or through the extension typed.
//
// GDI+ must have been started in the process before DoModal; otherwise
// DoModal returns IDCANCEL without showing anything.
#pragma once

#include "framework/carray.h"
#include "framework/file_dialog.h"
#include "gdiplus_codec_info.h"
#include "kp_export.h"

class KPLIB_API CGdiplusFileDialog : public CFileDialog {
    DECLARE_DYNAMIC(CGdiplusFileDialog)
public:
    CGdiplusFileDialog(int bOpenFileDialog, const char* lpszFileName, unsigned long dwFlags, CWnd* pParentWnd);
    ~CGdiplusFileDialog() override;

    // IDOK or IDCANCEL.
    INT_PTR DoModal() override;

    // Overridables
    // Fills m_arrCodecInfo from GDI+, in the order GDI+ lists the codecs.
    virtual void FillCodecInfoArray() = 0;
    // Builds the filter text from m_arrCodecInfo ('|'-separated).
    virtual void ConstructMFCStyleFilter() = 0;

    void OnDestroy();

protected:
    // Turns the filter text into the system's form (each '|' a NUL, skipping
    // double-byte characters) and hands it to the dialog.
    void TranslateFilter();
    // Replaces the catalogue by the codecs GDI+ lists.
    void FillFromGdiplus(bool bEncoders);
    // One "<format> 文件(<patterns>)|<patterns>|" element per codec.
    CString BuildCodecItems() const;
    void DeleteCodecInfo();

    CArray<CGdiplusCodecInfo*, CGdiplusCodecInfo*> m_arrCodecInfo;  // objects owned

    DECLARE_MESSAGE_MAP()
};

class KPLIB_API CGdiplusFileOpenDialog : public CGdiplusFileDialog {
    DECLARE_DYNAMIC(CGdiplusFileOpenDialog)
public:
    explicit CGdiplusFileOpenDialog(const char* lpszFileName = nullptr, unsigned long dwFlags = OFN_HIDEREADONLY,
                                    CWnd* pParentWnd = nullptr);

    // Decoders; the first file type is "所有支持的图像文件", every decoder's
    // patterns together.
    void FillCodecInfoArray() override;
    void ConstructMFCStyleFilter() override;
};

class KPLIB_API CGdiplusFileSaveAsDialog : public CGdiplusFileDialog {
    DECLARE_DYNAMIC(CGdiplusFileSaveAsDialog)
public:
    explicit CGdiplusFileSaveAsDialog(const char* lpszFileName = nullptr, unsigned long dwFlags = OFN_OVERWRITEPROMPT,
                                      CWnd* pParentWnd = nullptr);

    // Encoders; file type k (from 1) is catalogue entry k - 1.
    void FillCodecInfoArray() override;
    void ConstructMFCStyleFilter() override;

    // The encoder chosen; meaningful after DoModal returned IDOK.
    GUID GetCodecCLSID() const { return m_clsidCodec; }
    // The extension of the name now in the dialog, without '.'; empty when
    // it has none or the dialog is not shown.
    CString GetFileExt() const;

    // Before DoModal: the folder the dialog starts in (empty: the system's
    // choice), and the file type it starts with, the first encoder that
    // writes strExt (none: the first type).
    void SetInitialFolder(const CString& strFolder);
    void SetInitialType(const CString& strExt) { m_strInitialExt = strExt; }

protected:
    // A typed extension picks the first encoder that claims it; one that no
    // encoder claims refuses the name.
    BOOL OnFileNameOK() override;
    void OnInitDone() override;
    void OnTypeChange() override;

    // The two halves of following the selected file type. An index outside
    // the catalogue changes nothing.
    void SetDefaultExt();
    void SetCurrentCodecCLSID();

    GUID m_clsidCodec;
    CString m_strInitialFolder;  // m_ofn points at it
    CString m_strInitialExt;
};
