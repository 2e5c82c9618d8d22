// Links between the modules of the UI layer (not for code outside platform/ui).
#pragma once

#include <functional>
#include <optional>

#include "platform/ui/ui.h"

namespace vk::ui {

// messages.cpp
void ForgetWindowMessages(VKWindow *w);        // drops its posted messages and timers
bool DeliverPostedAndTimers();                 // one round; true when something was delivered
void ResetMessages();
uint64_t MessageLoopEntries();                // how often RunMessageLoop was entered

// dialog.cpp
void DialogDestroyed(VKWindow *w);             // a dialog's modal frame learns it is gone
void ResetDialogs();

// window.cpp
void ResetWindows();

// answers.cpp: takes the first queued answer that `fits` accepts.
std::optional<Answer> TakeAnswer(const std::function<bool(const Answer &)> &fits);

// headless.cpp
std::unique_ptr<Backend> MakeHeadlessBackend();
void RecordShown(Shown shown);

} // namespace vk::ui
