#include "Catalog.h"

#include <algorithm>

const std::vector<TDemoMovie>& DemoCatalog() {
    static const std::vector<TDemoMovie> catalog = [] {
        const std::vector<std::pair<std::string, std::string>> films = {
            {"Metropolis", "A city of towers above and workers below, and the machine that binds them."},
            {"The General", "A locomotive engineer chases his stolen train across enemy lines."},
            {"Nosferatu",
             "A count from the Carpathians takes an interest in a house for sale &#8212; and its owner's wife."},
            {"Sherlock Jr.", "A projectionist dreams himself into the detective film he is showing."},
            {"Safety Last!", "A shop clerk climbs a department store to prove he is a success."},
            {"The Kid", "A tramp raises an abandoned child until the authorities come calling."},
            {"His Girl Friday",
             "An editor schemes to keep his star reporter &#8212; and former wife &#8212; from remarrying."},
            {"Charade", "A widow in Paris is pursued by men who want her late husband's fortune."},
            {"Night of the Living Dead", "Strangers barricade a farmhouse against the restless dead."},
            {"The Little Shop of Horrors", "A florist's clerk raises a plant with a peculiar appetite."},
            {"Detour", "A hitchhiking pianist makes one bad decision after another."},
            {"The Last Man on Earth", "A scientist survives a plague alone, or so he believes."},
            {"Carnival of Souls", "After an accident, an organist is drawn to an abandoned pavilion."},
            {"Plan 9 from Outer Space", "Visitors from space revive the dead to get humanity's attention."},
            {"The Man with the Golden Arm", "A card dealer fresh out of prison fights to stay clean."},
            {"Road to Bali", "Two vaudevillians dive for treasure and court the same princess."},
            {"McLintock!", "A cattle baron's estranged wife returns to town for their daughter."},
            {"The Stranger", "A war-crimes investigator tracks a fugitive to a Connecticut town."},
            {"Kansas City Confidential", "An ex-convict hunts the men who framed him for a robbery."},
            {"D.O.A.", "A poisoned accountant has days to find out who killed him."},
            {"The Hitch-Hiker", "Two friends on a fishing trip pick up the wrong passenger."},
            {"Scarlet Street", "A cashier and Sunday painter is drawn into a con by a woman and her lover."},
            {"Angel and the Badman", "A wounded gunman is nursed back to health by a Quaker family."},
            {"Penny Serenade", "A couple remembers their marriage through the songs that marked it."},
            {"Meet John Doe", "A reporter's invented letter-writer becomes a national movement."},
            {"My Man Godfrey", "A socialite hires a &quot;forgotten man&quot; as the family butler."},
            {"Nothing Sacred", "A small-town woman milks a fatal diagnosis that turns out to be wrong."},
            {"The Front Page", "A reporter tries to quit as the story of the year breaks."},
            {"Royal Wedding", "A brother-and-sister dance act takes London by storm."},
            {"Beat the Devil", "Rogues waiting for a ship in Italy plot a uranium swindle."},
            {"Father's Little Dividend", "A father is unready for the news that he will be a grandfather."},
            {"The Brain That Wouldn't Die", "A surgeon keeps his fianc&#233;e's head alive while he seeks a body."},
            {"Reefer Madness", "A cautionary tale of high-school students led astray."},
            {"House on Haunted Hill", "Guests are offered a fortune to survive a night in a haunted house."},
            {"The Terror", "A lost officer follows a mysterious woman to a baron's castle."},
            {"Dementia 13", "A scheming widow visits her late husband's family castle in Ireland."},
            {"A Star Is Born", "A young actress rises as her husband's career falls."},
            {"It's a Wonderful Life", "An angel shows a despairing man what his town would be without him."},
            {"Impact", "A man survives his wife's plot against him and starts again under a new name."},
            {"Suddenly", "Gunmen take over a house overlooking the president's route."},
            {"The Lost World", "An expedition finds dinosaurs alive on a South American plateau."},
            {"Bride of the Gorilla", "A plantation manager falls under a jungle curse."},
            {"Jungle Book", "A boy raised by wolves returns to the village of his birth."},
            {"Gulliver's Travels", "A shipwrecked sailor wakes among the tiny people of Lilliput."},
        };
        std::vector<TDemoMovie> movies;
        for (std::size_t i = 0; i < films.size(); ++i) {
            const int kind = i % 11 == 4 ? 1 : (i % 11 == 9 ? 2 : 0);
            movies.push_back(
                {std::to_string(70001000 + static_cast<int>(i) * 37), films[i].first, films[i].second, kind});
        }
        return movies;
    }();
    return catalog;
}

std::string AlternateId(const std::string& id) {
    return "9" + id;
}

TDemoState StateAtStep(long step) {
    const auto& catalog = DemoCatalog();
    TDemoState state;
    // The first three are at home and the next three came back before the demo began.
    for (std::size_t i = 0; i < catalog.size(); ++i)
        (i < 3 ? state.AtHome : i < 6 ? state.Returns : state.Queue).push_back(&catalog[i]);
    for (long s = 0; s < step; ++s) {
        // The oldest DVD at home comes back; it goes to the end of the queue again to keep the demo going.
        const TDemoMovie* back = state.AtHome.back();
        state.AtHome.pop_back();
        state.Returns.insert(state.Returns.begin(), back);
        if (state.Returns.size() > 4) {
            state.Queue.push_back(state.Returns.back());
            state.Returns.pop_back();
        }
        state.AtHome.insert(state.AtHome.begin(), state.Queue.front());
        state.Queue.erase(state.Queue.begin());
    }
    return state;
}
