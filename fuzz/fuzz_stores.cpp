// Loading a caret record file of any content, then saving it: whatever loads must save and load back
// to the same records, and a file with data after a zero byte must not be overwritten. The first byte
// picks the store.
#include "FuzzSupport.h"
#include "core/UErrors.h"
#include "core/UForums.h"
#include "tests/RecordRows.h"

#include <cstdlib>

namespace {

template <class TStore> void RoundTrip(const std::uint8_t* data, std::size_t size)
{
    TStore store(FuzzDirectory());
    WriteFuzzFile(store.FilePath().substr(FuzzDirectory().size()), data, size);
    try {
        store.LoadAll();
    } catch (const EDataAfterZeroError&) {
        // Data after a zero byte: read up to there and reported; the file must then be kept as it is.
        try {
            store.SaveAll();
        } catch (const ENotSavedError&) {
            return;
        }
        std::abort();
    }
    store.SaveAll();
    TStore again(FuzzDirectory());
    again.LoadAll();
    if (Rows(store) != Rows(again))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    switch (data[0] % 3) {
    case 0:
        RoundTrip<TForums>(data + 1, size - 1);
        break;
    case 1:
        RoundTrip<TFMessages>(data + 1, size - 1);
        break;
    default:
        RoundTrip<TFormats>(data + 1, size - 1);
        break;
    }
    return 0;
}
