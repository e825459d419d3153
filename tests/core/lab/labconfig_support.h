#pragma once

// A lab set-up written in one expression for the tests' tables:
//   Lab(4, CodeFamily::Random, 16).Powers({0, 3, 3, 0}).Decoding(2).Seeded(7).Delays({0, 5, 0, 9})

#include "core/lab/labmodel.h"

#include <cstdint>
#include <utility>
#include <vector>

struct Lab
{
    lab::LabConfig config;

    Lab(int users, lab::CodeFamily codes, int spread)
    {
        config.Users = users;
        config.Codes = codes;
        config.Spread = spread;
        config.Seed = 7;
    }
    Lab& Powers(std::vector<double> db) { config.PowerDb = std::move(db); return *this; }
    Lab& Decoding(int user) { config.Rx = user; return *this; }
    Lab& Seeded(std::uint64_t seed) { config.Seed = seed; return *this; }
    Lab& Delays(std::vector<int> chips) { config.DelayChips = std::move(chips); return *this; }
    operator const lab::LabConfig&() const { return config; }
};
