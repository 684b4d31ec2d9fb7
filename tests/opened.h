#pragma once

// A plan document opened from a text as the editor holds it: the records and
// the kept text they were read from.

#include "keptlayout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

struct Opened {
    explicit Opened(const std::string& text) {
        EXPECT_TRUE(data.LoadText(text));
        EXPECT_TRUE(kept.Map(text, data.plans.InOrder()));
    }
    std::string Saved() {
        std::string text;
        EXPECT_TRUE(kept.Write(data, text));
        return text;
    }
    PlanEntry* Plan(std::size_t i) { return data.plans.All()[i].get(); }

    CPlanData data;
    CKeptLayout kept;
};
