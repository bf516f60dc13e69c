#include "program_icon.h"

#include "resource_ids.h"

namespace kestrow {

Icon LoadProgramIcon() {
    return Icon(
        static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_KESTROW),
                                        IMAGE_ICON, 0, 0, LR_DEFAULTSIZE)));
}

} // namespace kestrow
