// The Update program inside Mirovale: the binary resource tree that the build made of it
// (":/CUSTOM/103") is taken in by the assembler and registered before main() runs.

#include <QResource>

#ifndef MIROVALE_UPDATER_RCC
#error "MIROVALE_UPDATER_RCC names the resource tree to embed"
#endif

__asm__(".pushsection .rodata.mirovale_updater,\"a\",@progbits\n"
        ".balign 16\n"
        ".globl mirovale_updater_rcc\n"
        ".hidden mirovale_updater_rcc\n"
        ".type mirovale_updater_rcc, @object\n"
        "mirovale_updater_rcc:\n"
        ".incbin \"" MIROVALE_UPDATER_RCC "\"\n"
        ".size mirovale_updater_rcc, . - mirovale_updater_rcc\n"
        ".popsection\n");

extern "C" const unsigned char mirovale_updater_rcc[];

namespace {

[[maybe_unused]] const bool registered = QResource::registerResource(mirovale_updater_rcc);

} // namespace
