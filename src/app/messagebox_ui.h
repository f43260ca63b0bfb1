#pragma once

namespace mv {

// Shows the program's messages in modal message boxes with Chinese button captions.
void InstallMessageBoxUi();

} // namespace mv
