#pragma once

namespace VantrelSim::Tool {

// One visitor for a variant out of a lambda per alternative.
template <typename... Handlers> struct Overloaded : Handlers... { using Handlers::operator()...; };
template <typename... Handlers> Overloaded(Handlers...) -> Overloaded<Handlers...>;

} // namespace VantrelSim::Tool
