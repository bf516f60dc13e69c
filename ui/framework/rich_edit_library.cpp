#include "rich_edit_library.h"

#include "rich_edit_printing.h"

namespace kestrow {

bool InitRichEdit20() {
    static const Library library = print::LoadSystemRichEdit();
    return library.IsValid();
}

} // namespace kestrow
