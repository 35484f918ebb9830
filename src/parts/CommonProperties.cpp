// The properties every kind shares (a kind's own row for the same property
// comes first).
#include "parts/PartValues.h"

namespace nokari::parts {

namespace {
const PropertyRow kCommonRows[] = {
    {Prop::名前, nullptr, nullptr, nullptr},
};
}  // namespace

std::span<const PropertyRow> CommonProperties() { return kCommonRows; }

}  // namespace nokari::parts
