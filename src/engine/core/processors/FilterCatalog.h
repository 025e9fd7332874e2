// The filters a user can put into a processor chain, with their names and parameter ranges,
// and the chain description (a list of filter entries) that is kept per device.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace pelta::engine::processors {

enum class ParamKind { Integer, Real, Choice, Flag };

struct ParamSpec {
    std::string Key;                   // stable name used in chain descriptions
    std::string Label;                 // user-facing
    ParamKind Kind = ParamKind::Real;
    double Min = 0;
    double Max = 1;
    double Default = 0;
    double Step = 1;                   // spin-box step; ignored for Choice and Flag
    std::vector<std::string> Choices;  // Choice: index = value
};

struct FilterSpec {
    std::string Id;     // stable name ("mirror", "volume")
    std::string Name;   // user-facing ("Mirror")
    bool Video = true;
    std::vector<ParamSpec> Params;
    const ParamSpec* Param(const std::string& key) const;
};

// One filter of a chain with its parameter values (missing values take the default).
struct ChainEntry {
    std::string Id;
    std::map<std::string, double> Values;
    bool operator==(const ChainEntry&) const = default;
};

struct ChainDescription {
    std::vector<ChainEntry> Entries;
    bool operator==(const ChainDescription&) const = default;
    bool Empty() const { return Entries.empty(); }
};

const std::vector<FilterSpec>& VideoFilters();
const std::vector<FilterSpec>& AudioFilters();
// nullptr when `id` is not a known filter of that kind.
const FilterSpec* FindFilter(const std::string& id, bool video);

// An entry with every parameter at its default.
ChainEntry DefaultEntry(const FilterSpec& spec);
// The value of `key` in `entry`, defaulted and clamped to the parameter's range.
double ParamValue(const FilterSpec& spec, const ChainEntry& entry, const std::string& key);
// Drops unknown filters and parameters, clamps values into range, rounds integers.
ChainDescription Sanitised(const ChainDescription& chain, bool video);

// Text form: "mirror;crop:left=8,top=0;volume:gain=1.5". Parse returns nullopt on
// malformed text and drops unknown filters (so an old description still loads).
std::string ToText(const ChainDescription& chain);
std::optional<ChainDescription> ParseChain(const std::string& text, bool video);

}  // namespace pelta::engine::processors
