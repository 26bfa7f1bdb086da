#pragma once

#include <string>
#include <vector>

/** The demo member's films and how their rentals move on, one step every few minutes. */
struct TDemoMovie {
    std::string Id;
    std::string Title;
    std::string Synopsis; // may hold "&#233;"-style references and quotes, as real synopses do
    int Kind = 0;         // 0 good box art, 1 Exif-started box art, 2 damaged box art
};

const std::vector<TDemoMovie>& DemoCatalog();

/** The movie whose box art the page of a broken one points at instead. */
std::string AlternateId(const std::string& id);

struct TDemoState {
    std::vector<const TDemoMovie*> Queue;   // queue order
    std::vector<const TDemoMovie*> AtHome;  // shipped, newest first
    std::vector<const TDemoMovie*> Returns; // received, newest first
};

/** The rentals after a number of steps: each step ships the queue's first DVD and takes one home back. */
TDemoState StateAtStep(long step);
