// Controls of the headless backend, for tests on the host: what the "system" reports (show state,
// executable name, resources), who answers the dialogs, and a log of the window operations.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "forms/dialogs.h"

namespace headless {

// Back to a fresh process: show state 10, executable C:\Oprava.exe, no resources, no handlers,
// an empty log and an empty message queue.
void Reset();

void SetStartupShowState(int show_state);
void SetExecutableFileName(const std::string& path);
// The bytes must outlive their use: the form keeps views into them.
void SetFormResource(const std::string& name, std::span<const std::uint8_t> bytes);

// Answers a message dialog with the result it returns. Without a handler a dialog gives mrCancel.
void SetDialogHandler(std::function<int(const TMessageDialogForm&)> handler);
// Sees the standard error box (text and caption); it is acknowledged when the handler returns.
void SetErrorBoxHandler(std::function<void(const std::string& text, const std::string& caption)>);

// What the taskbar does to the application window, delivered by the message loop in order.
enum class TaskbarAction { Restore, Close };
void QueueTaskbarAction(TaskbarAction action);

// Every window operation, dialog and box, in order, e.g. "CreateFormWindow", "ShowFormWindow 3",
// "PostQuitMessage 0", "MessageDialog Error", "ErrorBox", "LastChanceBox <text>".
const std::vector<std::string>& Events();
void AddEvent(std::string event);

// True when the last message loop ran out of messages before the quit message; such a loop
// returns instead of waiting for ever.
bool MessageLoopStalled();

}  // namespace headless
