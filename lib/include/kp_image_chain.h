// CKpImageChain: the processing chain the image options ask for.
//
// Built from a configuration in one step: the nine processors with the
// arguments the options give them, and, in a fixed order, the ones the
// options switch on: grey scale, negation, colour replacement, mirroring,
// rotation, scaling, shear, blur, sharpening. With the image-option switch
// off the chain is empty, and running an empty chain leaves a bitmap as it
// is. Portable: no window or GDI object is involved.
#pragma once

#include "framework/carray.h"
#include "image_processors.h"
#include "kp_config.h"
#include "kp_export.h"

typedef CArray<CImage32BitProcessor*, CImage32BitProcessor*> CImageProcessorArray;

class KPLIB_API CKpImageChain {
public:
    explicit CKpImageChain(const CKpConfig& config);
    // The chain points into the object itself.
    CKpImageChain(const CKpImageChain&) = delete;
    CKpImageChain& operator=(const CKpImageChain&) = delete;

    // The processors to run, in order; they belong to this object.
    CImageProcessorArray& GetProcessors() { return m_arrChain; }
    int GetCount() const { return m_arrChain.GetSize(); }
    CImage32BitProcessor* GetAt(int nIndex) const { return m_arrChain.GetAt(nIndex); }

protected:
    // With the three switches the settings keep without accessors given
    // explicitly: the image-option switch, colour replacement and smoothing.
    CKpImageChain(const CKpConfig& config, int bImageOption, int bReplaceColor, int bSmoothing);

    CImageGrayer m_grayer;
    CImageNegator m_negator;
    CImageFlipper m_flipper;
    CImageRotator m_rotator;
    CImageResizer m_resizer;
    CImageShearer m_shearer;
    CImageBlurrer m_blurrer;
    CImageSharpener m_sharpener;
    CImageColorReplacer m_replacer;
    CImageProcessorArray m_arrChain;
};
