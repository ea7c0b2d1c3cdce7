#include "kp_image_chain.h"

CKpImageChain::CKpImageChain(const CKpConfig& config)
    : CKpImageChain(config, config.m_bImageOption, config.m_bReplaceColor, config.m_bSmoothing) {}

CKpImageChain::CKpImageChain(const CKpConfig& c, int bImageOption, int bReplaceColor, int bSmoothing)
    : m_flipper(c.GetFlipHorz(), c.GetFlipVert()),
      m_rotator(c.GetRotateAngle(), bSmoothing),
      m_resizer(c.GetScaleFactor() / 100.0),
      // A direction that is switched off shears by nothing, whatever amount
      // is stored for it.
      m_shearer(c.GetShearAcross() ? c.GetShearAcrossAmout() : 0, c.GetShearDown() ? c.GetShearDownAmout() : 0,
                bSmoothing),
      m_blurrer(c.GetBlurFactor()),
      m_sharpener(c.GetSharpenFactor()),
      m_replacer(0, 255) {
    if (!bImageOption) return;
    // The order is part of the result: grey before negation, mirroring and
    // rotation before scaling, and so on.
    const struct {
        bool bOn;
        CImage32BitProcessor* pProcessor;
    } steps[] = {
        {c.GetGrayScale() != 0, &m_grayer},
        {c.GetNegate() != 0, &m_negator},
        {bReplaceColor != 0, &m_replacer},
        {c.GetFlipHorz() || c.GetFlipVert(), &m_flipper},
        {c.GetRotate() != 0, &m_rotator},
        {c.GetScale() != 0, &m_resizer},
        {c.GetShearDown() || c.GetShearAcross(), &m_shearer},
        {c.GetBlur() != 0, &m_blurrer},
        {c.GetSharpen() != 0, &m_sharpener},
    };
    for (const auto& step : steps) {
        if (step.bOn) m_arrChain.Add(step.pProcessor);
    }
}
