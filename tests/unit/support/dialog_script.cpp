#include "support/dialog_script.h"

DialogAnswer DialogScript::NextAnswer() {
  if (next_ < answers_.size()) return answers_[next_++];
  return CloseBox();
}
