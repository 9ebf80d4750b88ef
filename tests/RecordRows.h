// Records as rows of their fields, in column order: what tests and fuzz targets compare stores by.
#pragma once

#include "core/UForums.h"

#include <memory>
#include <string>
#include <type_traits>
#include <vector>

using TRows = std::vector<std::vector<std::string>>;

inline std::vector<std::string> Fields(const TForum& r)
{
    return {r.URL, r.Username, r.Password};
}
inline std::vector<std::string> Fields(const TFMessage& r)
{
    return {r.Subject, r.Body};
}
inline std::vector<std::string> Fields(const TFormat& r)
{
    return {r.Name, r.LinkOpen, r.LinkMiddle, r.LinkEnd, r.Email};
}

inline std::vector<std::string> Fields(const TPost& r)
{
    return {r.Subject, r.ForumURL, r.SentAt, r.ThreadURL};
}

template <class TStore> TRows Rows(const TStore& store)
{
    TRows rows;
    for (int i = 0; i < store.Count(); ++i)
        rows.push_back(Fields(store.RecordAt(i)));
    return rows;
}
