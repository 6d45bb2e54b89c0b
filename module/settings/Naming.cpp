// The function's name and the output's default title (selectors 7 and 17), and the questions
// about the source channel (selectors 11, 12 and 16).
#include "entry/SavitzkyGolayExtension.h"
#include "settings/Settings.h"
#include "settings/SourceAvailability.h"
#include "text/ResourceStrings.h"

namespace sg {

namespace {

constexpr int16_t kNameItem = 1;
constexpr int16_t kTitlePrefixItem = 10;

// The data kinds of selector 16 that this function can depend on.
constexpr int16_t kAnyData = 0;
constexpr int16_t kRawData = 1;

LocalDataType** SettingsOf(FunctionInstance** instance) {
    return instance == nullptr ? nullptr : (*instance)->settings;
}

}  // namespace

void SavitzkyGolayExtension::GetFunctionName(uint8_t* name, int32_t) {
    PStringValue text = GetExtensionString(kFunctionStringList, kNameItem, *this);
    PStringCopy(name, text.data());
}

void SavitzkyGolayExtension::GetDefaultTitle(TitleRecord* title, FunctionInstance** instance) {
    if (SettingsOf(instance) == nullptr) return;
    title->hasTitle = 1;
    PStringValue text = GetExtensionString(kFunctionStringList, kTitlePrefixItem, *this);
    Str255 sourceTitle{};
    GetChannelTitle((*SettingsOf(instance))->sourceChannel, sourceTitle);
    AppendPString(text.data(), sourceTitle);
    PStringCopy(title->text, text.data());
}

int16_t CheckSourceBlock(int16_t block, FunctionInstance** instance) {
    LocalDataType** settings = SettingsOf(instance);
    if (settings == nullptr) return kSourceUnavailable;
    const int16_t source = (*settings)->sourceChannel;
    if (source <= 0 || source > (*instance)->channelCount) return kSourceUnavailable;
    const bool available = (*settings)->useComputedSource != 0 ? ComputedBlockAvailable(source, block)
                                                                : RawBlockAvailable(source, block);
    return available ? kSourceAvailable : kSourceUnavailable;
}

bool SavitzkyGolayExtension::IsSourceAvailable(int16_t, int16_t block, FunctionInstance** instance) {
    return CheckSourceBlock(block, instance) != kSourceUnavailable;
}

void SavitzkyGolayExtension::GetSourceChannelInfo(int16_t, int16_t block, ChannelInfo* info,
                                                  FunctionInstance** instance) {
    // Without settings there is no source to describe; the host's record is left as it was.
    LocalDataType** settings = SettingsOf(instance);
    if (settings == nullptr) return;
    if ((*settings)->useComputedSource != 0) {
        GetComputedChannelInfo((*settings)->sourceChannel, block, info);
    } else {
        GetRawChannelInfo((*settings)->sourceChannel, block, info);
    }
    info->filledByExtension = 1;
}

bool SavitzkyGolayExtension::DependsOnChannel(int16_t channel, int16_t kind, FunctionInstance** instance) {
    LocalDataType** settings = SettingsOf(instance);
    if (settings == nullptr || (*settings)->sourceChannel != channel) return false;
    return kind == kAnyData || (kind == kRawData && (*settings)->useComputedSource == 0);
}

}  // namespace sg
