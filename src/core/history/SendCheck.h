#pragma once

#include "core/history/UpdateHistory.h"

#include <optional>

class LanguageTable;
class Prompts;
class QWidget;

namespace SendCheck {

// Before an update starts: images that do not match the configuration (or are not known to)
// are sent only when the user says so; the question's default is No. Returns nullopt when
// nothing may be sent, else what the history records of the images. An update that sends no
// images (firmware only) asks nothing.
std::optional<UpdateHistory::ImagesSent> confirm(const QString& projectDir, bool sendsImages,
                                                 Prompts& prompts, QWidget* parent,
                                                 const LanguageTable& texts);

} // namespace SendCheck
