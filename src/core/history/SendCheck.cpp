#include "core/history/SendCheck.h"

#include "core/image/ImageSources.h"
#include "core/lang/LanguageTable.h"
#include "core/platform/Prompts.h"

namespace SendCheck {

namespace {

constexpr int T_SendAnyway = 911;

} // namespace

std::optional<UpdateHistory::ImagesSent> confirm(const QString& projectDir, bool sendsImages,
                                                 Prompts& prompts, QWidget* parent,
                                                 const LanguageTable& texts) {
    using UpdateHistory::ImagesSent;
    if (!sendsImages)
        return ImagesSent::NotJudged;
    const ImageSources::Verdict verdict = ImageSources::judgeConfiguration(projectDir);
    switch (verdict.state) {
    case ImageSources::State::Match:
        return ImagesSent::Matching;
    case ImageSources::State::NoImages:
        return ImagesSent::NotJudged; // the updater reports them missing itself
    case ImageSources::State::Differs:
    case ImageSources::State::Unknown:
        break;
    }
    if (!prompts.question(parent, texts.text(T_SendAnyway).arg(ImageSources::text(verdict, texts))))
        return std::nullopt;
    return verdict.state == ImageSources::State::Differs ? ImagesSent::NotMatching
                                                         : ImagesSent::NotKnown;
}

} // namespace SendCheck
