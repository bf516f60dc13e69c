#include "banner_rules.h"

#include "resource_ids.h"

namespace kestrow {

unsigned BannerForDpi(unsigned dpi) {
    if (dpi >= 192) {
        return IDB_BANNER_200;
    }
    return dpi >= 144 ? IDB_BANNER_150 : IDB_BANNER;
}

} // namespace kestrow
