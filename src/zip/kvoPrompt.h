// The engine's one way to show a message or ask a question (zip layer).
//
// The engine never opens a window. Where the Windows program showed a message box (an error text, the
// temporary-folder question, a drive's Retry/Cancel), a component calls its prompt callback; the
// program connects that callback to its dialogs. Without a callback the engine stays silent and
// takes the cautious answer: Ok, No, Cancel.
#pragma once

#include <functional>
#include <string>

namespace riviza::zip {

enum class TPromptKind { Error, Warning, Confirmation, Information };
enum class TPromptButtons { Ok, YesNo, YesCancel, RetryCancel };
enum class TPromptAnswer { Ok, Yes, No, Retry, Cancel };

struct TPrompt {
  TPromptKind kind = TPromptKind::Error;
  TPromptButtons buttons = TPromptButtons::Ok;
  std::string caption;  // empty: the program's title
  std::string text;
};

using TPromptCallback = std::function<TPromptAnswer(const TPrompt&)>;

// The answer when nobody is asked.
inline TPromptAnswer SilentAnswer(TPromptButtons buttons) {
  switch (buttons) {
    case TPromptButtons::Ok:
      return TPromptAnswer::Ok;
    case TPromptButtons::YesNo:
      return TPromptAnswer::No;
    case TPromptButtons::YesCancel:
    case TPromptButtons::RetryCancel:
      break;
  }
  return TPromptAnswer::Cancel;
}

inline TPromptAnswer AskUser(const TPromptCallback& callback, const TPrompt& prompt) {
  return callback ? callback(prompt) : SilentAnswer(prompt.buttons);
}

}  // namespace riviza::zip
