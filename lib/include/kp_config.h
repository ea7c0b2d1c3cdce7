// The user's settings and the program directory they are kept in.
//
// CKpConfig holds every setting with its default, reads config.xml from the
// program's directory over the current values (LoadConfig) and writes all
// stored settings back (SaveConfig). Values are neither checked nor clamped:
// whoever uses a value is responsible for its range.
#pragma once

#include "framework/cstring.h"
#include "kp_export.h"

class CKpImageChain;

class KPLIB_API CKpConfig {
public:
    CKpConfig();
    ~CKpConfig();

    // Reads config.xml over the current values; a missing or malformed file
    // or element leaves the affected values as they are. A file that is
    // there but cannot be read is tried again for a moment; a complete new
    // version that a save left unfinished stands in for a missing or
    // unreadable file. GetLoadResult says what happened.
    void LoadConfig();
    // Writes every stored setting to config.xml. The old file is replaced
    // only by a complete new one, so a failed save leaves it as it was;
    // FALSE then. Never writes over a file LoadConfig could not read: FALSE
    // without trying (IsSaveWithheld).
    BOOL SaveConfig();

    // How the last LoadConfig went.
    enum LoadResult {
        ConfigRead,       // config.xml was read (what a malformed one holds)
        ConfigMissing,    // there is none: the values stayed; a save makes one
        ConfigLeftover,   // there is none, but a save left a complete new one: it was read
        ConfigUnreadable, // it is there but could not be read: the values stayed
        ConfigUnreadableLeftover,  // the same, and the values come from such a new one
    };
    LoadResult GetLoadResult() const { return m_nLoadResult; }
    // TRUE after a load that could not read the file: no save replaces it.
    BOOL IsSaveWithheld() const { return !m_strWithheldPath.IsEmpty(); }
    // Where LoadConfig and SaveConfig keep the settings: config.xml in the
    // program's folder.
    static CString GetConfigPath();
    // Back to neutral image options when an image file is opened.
    void ResetImageOption();
    // Every image option off, their amounts kept: the current image already
    // has what they did (a marked image), and one ticked afterwards runs
    // over it once.
    void ClearImageOptionFlags();

    CString GetAppName() { return m_strAppName; }
    void SetAppName(CString str) { m_strAppName = str; }
    int GetPlaySnapSound() const { return m_bPlaySnapSound; }
    void SetPlaySnapSound(int b) { m_bPlaySnapSound = b; }
    int GetHideMainWnd() const { return m_bHideMainWnd; }
    void SetHideMainWnd(int b) { m_bHideMainWnd = b; }
    int GetSnapOnStart() const { return m_bSnapOnStart; }
    void SetSnapOnStart(int b) { m_bSnapOnStart = b; }
    unsigned int GetSnapDelayTime() const { return m_nSnapDelayTime; }
    void SetSnapDelayTime(unsigned int n) { m_nSnapDelayTime = n; }
    int GetKeepOnTop() const { return m_bKeepOnTop; }
    void SetKeepOnTop(int b) { m_bKeepOnTop = b; }
    // The mouse pointer drawn into captures of the screen, windows and
    // rectangles (never into an object capture, where the user clicks).
    int GetCapturePointer() const { return m_bCapturePointer; }
    void SetCapturePointer(int b) { m_bCapturePointer = b; }
    // What a whole-screen capture takes: the primary screen (0), the
    // monitor under the mouse pointer (1) or every monitor (2); any other
    // stored value acts as 0.
    enum { kScopePrimary = 0, kScopePointerMonitor = 1, kScopeAllMonitors = 2 };
    int GetFullScreenScope() const {
        return m_nFullScreenScope == kScopePointerMonitor || m_nFullScreenScope == kScopeAllMonitors
                   ? m_nFullScreenScope
                   : kScopePrimary;
    }
    void SetFullScreenScope(int n) { m_nFullScreenScope = n; }
    CString GetEditAppPath() const { return m_strEditAppPath; }
    void SetEditAppPath(CString str) { m_strEditAppPath = str; }

    int GetGrayScale() const { return m_bGrayScale; }
    void SetGrayScale(int b) { m_bGrayScale = b; }
    int GetNegate() const { return m_bNegate; }
    void SetNegate(int b) { m_bNegate = b; }
    int GetScale() const { return m_bScale; }
    void SetScale(int b) { m_bScale = b; }
    int GetScaleFactor() const { return m_nScaleFactor; }
    void SetScaleFactor(int n) { m_nScaleFactor = n; }
    int GetRotate() const { return m_bRotate; }
    void SetRotate(int b) { m_bRotate = b; }
    int GetRotateAngle() const { return m_nRotateAngle; }
    void SetRotateAngle(int n) { m_nRotateAngle = n; }
    int GetFlipHorz() const { return m_bFlipHorz; }
    void SetFlipHorz(int b) { m_bFlipHorz = b; }
    int GetFlipVert() const { return m_bFlipVert; }
    void SetFlipVert(int b) { m_bFlipVert = b; }
    int GetShearDown() const { return m_bShearDown; }
    void SetShearDown(int b) { m_bShearDown = b; }
    // "Amout" is the name the program and the options sheet call: keep it.
    int GetShearDownAmout() const { return m_nShearDownAmount; }
    void SetShearDownAmout(int n) { m_nShearDownAmount = n; }
    int GetShearAcross() const { return m_bShearAcross; }
    void SetShearAcross(int b) { m_bShearAcross = b; }
    int GetShearAcrossAmout() const { return m_nShearAcrossAmount; }
    void SetShearAcrossAmout(int n) { m_nShearAcrossAmount = n; }
    int GetBlur() const { return m_bBlur; }
    void SetBlur(int b) { m_bBlur = b; }
    int GetBlurFactor() const { return m_nBlurFactor; }
    void SetBlurFactor(int n) { m_nBlurFactor = n; }
    int GetSharpen() const { return m_bSharpen; }
    void SetSharpen(int b) { m_bSharpen = b; }
    int GetSharpenFactor() const { return m_nSharpenFactor; }
    void SetSharpenFactor(int n) { m_nSharpenFactor = n; }
    int GetAutoCopy() const { return m_bAutoCopy; }
    void SetAutoCopy(int b) { m_bAutoCopy = b; }

    // Automatic saving (off at first): every capture, after its image
    // options, written into a folder under a name made from a pattern
    // (kp_capture_name.h) in one of the formats "png", "jpg", "bmp", "gif",
    // "tif". An empty folder is the user's Pictures folder's "Kapto". The
    // counter is the next %n.
    int GetAutoSave() const { return m_bAutoSave; }
    void SetAutoSave(int b) { m_bAutoSave = b; }
    CString GetAutoSaveFolder() const { return m_strAutoSaveFolder; }
    void SetAutoSaveFolder(CString str) { m_strAutoSaveFolder = str; }
    CString GetAutoSaveName() const { return m_strAutoSaveName; }
    void SetAutoSaveName(CString str) { m_strAutoSaveName = str; }
    CString GetAutoSaveFormat() const { return m_strAutoSaveFormat; }
    void SetAutoSaveFormat(CString str) { m_strAutoSaveFormat = str; }
    int GetAutoSaveCounter() const { return m_nAutoSaveCounter; }
    void SetAutoSaveCounter(int n) { m_nAutoSaveCounter = n; }

    // Hot keys: the hot-key control's modifier flags, then the virtual key.
    void GetNewSnapHotkey(unsigned short& wModifier, unsigned short& wVk);
    void SetNewSnapHotkey(unsigned short wModifier, unsigned short wVk);
    void GetFullScreenHotkey(unsigned short& wModifier, unsigned short& wVk);
    void SetFullScreenHotkey(unsigned short wModifier, unsigned short wVk);
    void GetActiveWinHotkey(unsigned short& wModifier, unsigned short& wVk);
    void SetActiveWinHotkey(unsigned short wModifier, unsigned short wVk);
    void GetCurrentWinHotkey(unsigned short& wModifier, unsigned short& wVk);
    void SetCurrentWinHotkey(unsigned short wModifier, unsigned short wVk);
    void GetWinClientHotkey(unsigned short& wModifier, unsigned short& wVk);
    void SetWinClientHotkey(unsigned short wModifier, unsigned short wVk);
    void GetWinObjHotkey(unsigned short& wModifier, unsigned short& wVk);
    void SetWinObjHotkey(unsigned short wModifier, unsigned short wVk);
    void GetSelectRectHotkey(unsigned short& wModifier, unsigned short& wVk);
    void SetSelectRectHotkey(unsigned short wModifier, unsigned short wVk);
    void GetShowHideHotkey(unsigned short& wModifier, unsigned short& wVk);
    void SetShowHideHotkey(unsigned short wModifier, unsigned short wVk);
    // The scrolling capture's: none (0, 0) unless the user sets one, and
    // then only stored.
    void GetScrollSnapHotkey(unsigned short& wModifier, unsigned short& wVk);
    void SetScrollSnapHotkey(unsigned short wModifier, unsigned short wVk);

    // Kind of the last capture, 0 (whole screen) to 5 (selected rectangle).
    int GetSnapMode() const { return m_nSnapMode; }
    void SetSnapMode(int n) { m_nSnapMode = n; }

protected:
    // The work of LoadConfig and SaveConfig on an explicit file. Loading
    // returns FALSE when the file gave no root element (nothing changed);
    // saving returns FALSE when the file was left as it was.
    BOOL LoadConfigFrom(const CString& strPath);
    BOOL SaveConfigTo(const CString& strPath);
    // How many times, and how far apart, a file that is there but cannot be
    // read is tried before the load gives up on it.
    enum { kReadTries = 10, kReadRetryMs = 100 };

private:
    // The image-option chain reads the three switches, which have no
    // accessors.
    friend class CKpImageChain;

    struct FileItem;  // one value element of config.xml and its field
    static const FileItem* GetFileItems(int& nCount);
    bool IsDefault(const FileItem& item, const CKpConfig& defaults) const;

    CString m_strAuthor;
    CString m_strVersion;
    CString m_strURL;
    CString m_strMail;
    CString m_strAppName;
    int m_bPlaySnapSound;
    int m_bHideMainWnd;
    int m_bSnapOnStart;
    unsigned int m_nSnapDelayTime;  // milliseconds
    int m_bKeepOnTop;
    int m_bCapturePointer;
    int m_nFullScreenScope;  // as stored; GetFullScreenScope says what it means
    CString m_strEditAppPath;
    int m_bGrayScale;
    int m_bNegate;
    int m_bScale;
    int m_nScaleFactor;  // percent; never stored, so 50 at every start
    int m_bRotate;
    int m_nRotateAngle;  // degrees
    int m_bFlipHorz;
    int m_bFlipVert;
    int m_bShearDown;
    int m_nShearDownAmount;
    int m_bShearAcross;
    int m_nShearAcrossAmount;
    int m_bBlur;
    int m_nBlurFactor;
    int m_bSharpen;
    int m_nSharpenFactor;
    int m_bAutoCopy;
    int m_bAutoSave;
    CString m_strAutoSaveFolder;
    CString m_strAutoSaveName;
    CString m_strAutoSaveFormat;
    int m_nAutoSaveCounter;
    // Switches that always start with their defaults: never loaded or saved.
    int m_bImageOption;   // zero: no image operation runs at all
    int m_bReplaceColor;  // non-zero: the colour replacer (0, 255) joins the chain
    int m_bSmoothing;     // interpolation of the rotation and shear processors
    unsigned short m_wNewSnapModifier;
    unsigned short m_wNewSnapVk;
    unsigned short m_wFullScreenModifier;
    unsigned short m_wFullScreenVk;
    unsigned short m_wActiveWinModifier;
    unsigned short m_wActiveWinVk;
    unsigned short m_wCurrentWinModifier;
    unsigned short m_wCurrentWinVk;
    unsigned short m_wWinClientModifier;
    unsigned short m_wWinClientVk;
    unsigned short m_wWinObjModifier;
    unsigned short m_wWinObjVk;
    unsigned short m_wSelectRectModifier;
    unsigned short m_wSelectRectVk;
    unsigned short m_wShowHideModifier;
    unsigned short m_wShowHideVk;
    unsigned short m_wScrollSnapModifier;
    unsigned short m_wScrollSnapVk;
    int m_nSnapMode;
    // Not settings: what the last load found.
    LoadResult m_nLoadResult;
    CString m_strWithheldPath;  // the file the load could not read; empty when none
};

class KPLIB_API CHelper {
public:
    CHelper() {}
    ~CHelper() {}

    // Directory of the running program with a trailing separator (a
    // backslash on Windows), ready for a bare file name to be appended.
    static CString GetAppPath();
};
