// Loading a caret record file of any content, then saving it: whatever loads must save and load back
// to the same records. The first byte picks the store.
#include "FuzzSupport.h"
#include "core/UForums.h"

#include <cstdlib>

namespace {

std::vector<std::string> Fields(const TForum& r)
{
    return {r.URL, r.Username, r.Password};
}
std::vector<std::string> Fields(const TFMessage& r)
{
    return {r.Subject, r.Body};
}
std::vector<std::string> Fields(const TFormat& r)
{
    return {r.Name, r.LinkOpen, r.LinkMiddle, r.LinkEnd, r.Email};
}

template <class TStore> std::vector<std::vector<std::string>> Rows(const TStore& store)
{
    std::vector<std::vector<std::string>> rows;
    for (int i = 0; i < store.Count(); ++i)
        rows.push_back(Fields(store.RecordAt(i)));
    return rows;
}

template <class TStore> void RoundTrip(const std::uint8_t* data, std::size_t size)
{
    TStore store(FuzzDirectory());
    WriteFuzzFile(store.FilePath().substr(FuzzDirectory().size()), data, size);
    store.LoadAll();
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
