#pragma once

#include "platform/code_page.h"

#include <filesystem>
#include <memory>

class BlockedWordPreload;
class SettingsStore;

// What the panel needs from the program around it. Start-up fills it from
// the installation beside the program; tests from a scratch folder.
struct PanelContext
{
    SettingsStore* settings = nullptr;
    CodePage codePage;
    // The blocked words' file, and its words when start-up read them early.
    std::filesystem::path blockedWordsFile;
    std::shared_ptr<BlockedWordPreload> blockedWords{};
};
