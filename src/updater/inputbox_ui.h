#pragma once

namespace mv {

// Gives the download controller's questions for a new file name a modal input box.
void InstallInputBoxUi();

} // namespace mv
