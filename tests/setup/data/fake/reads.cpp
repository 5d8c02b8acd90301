#include <gtest/gtest.h>
#include <cstdio>
#include <nlohmann/json_fwd.hpp>
