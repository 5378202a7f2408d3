#pragma once

// The catch clauses of every operation boundary (entry points, host callbacks,
// observer dispatch, page calls, button handlers, deferred tasks): nothing
// escapes, and what was caught is logged at error level from the caller's
// source location.
//
//     try {
//         DoTheWork();
//     }
//     LOG_CATCH_ALL
//
// After the clauses the caller goes on with its neutral result.

#include "Util/Log/Log.hpp"

#include <exception>

#define LOG_CATCH_ALL                                                                                        \
    catch (const std::exception& atcException_) {                                                            \
        LOG_ERROR("exception: {}", atcException_.what());                                                    \
    }                                                                                                        \
    catch (...) {                                                                                            \
        LOG_ERROR("unknown exception!");                                                                     \
    }
