// An engine list as the windows see it: the same entries and selection as the list behind
// it, and a call after each selection the user changes, so the engine can remember it.
#pragma once

#include "engine/core/EngineContract.h"

#include <functional>

namespace pelta::engine {

template <typename ItemT>
class ChoiceList final : public EngineList<ItemT> {
public:
    using Target = std::function<EngineList<ItemT>&()>;
    ChoiceList(Target target, std::function<void()> changed) : target_(std::move(target)), changed_(std::move(changed)) {}
    int32_t Count() const override { return target_().Count(); }
    ItemT Item(int32_t index) const override { return target_().Item(index); }
    int32_t Selected() const override { return target_().Selected(); }
    void SetSelected(int32_t index) override {
        target_().SetSelected(index);
        if (changed_) changed_();
    }

private:
    Target target_;
    std::function<void()> changed_;
};

}  // namespace pelta::engine
