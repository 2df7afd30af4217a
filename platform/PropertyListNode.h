#pragma once

#include <QByteArray>
#include <memory>

namespace platform {

struct PropertyListNodeFree {
    void operator()(void* node) const;
};
// A libplist node tree, freed with it.
using PropertyListNode = std::unique_ptr<void, PropertyListNodeFree>;

// The parsed root of XML or binary list data that keeps every bound of parsePropertyList;
// null when the data is bad or beyond them.
PropertyListNode parsePropertyListNode(const QByteArray& data);

} // namespace platform
