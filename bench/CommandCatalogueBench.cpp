#include "service/CommandService.h"
#include "tests/fakes/FakeHttpTransport.h"
#include "tests/fakes/FakeMainQueue.h"
#include "tests/fakes/InMemoryCredentialStore.h"
#include "tests/fakes/InMemoryPreferences.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

namespace {

using namespace scribeon;

std::vector<Command> catalogue(int count) {
    std::vector<Command> commands;
    for (int i = 0; i < count; ++i)
        commands.push_back({"command-" + std::to_string(i), "Command " + std::to_string(i), true});
    return commands;
}

// The user's order is applied to every list the chooser shows.
void BM_SortCommandsByUserOrder(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    std::vector<std::string> order;
    for (const auto& command : catalogue(count))
        order.push_back(command.code);
    std::shuffle(order.begin(), order.end(), std::mt19937(7));

    InMemoryPreferences preferences;
    preferences.setTextList(CommandService::commandOrderKey, order);
    InMemoryCredentialStore store;
    KeychainService keychain{store};
    FakeHttpTransport transport;
    APIClient client(transport, keychain);
    FakeMainQueue queue;
    CommandService service(client, preferences, queue);
    const auto commands = catalogue(count);
    for (auto _ : state) {
        auto sorted = service.sortCommands(commands);
        benchmark::DoNotOptimize(sorted);
    }
}
BENCHMARK(BM_SortCommandsByUserOrder)->Arg(10)->Arg(1000)->Unit(benchmark::kMicrosecond);

} // namespace
