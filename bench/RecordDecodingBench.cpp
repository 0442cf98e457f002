#include "wire/RecordCoding.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using namespace scribeon;

std::string commandList(int count) {
    std::vector<Command> commands;
    for (int i = 0; i < count; ++i)
        commands.push_back(
            {"command-" + std::to_string(i), "Command number " + std::to_string(i), i % 2 == 0});
    return toJson(CommandsResponse{commands}).dump();
}

// The command list is decoded on every chooser open (cache, then reply).
void BM_DecodeCommandsResponse(benchmark::State& state) {
    const std::string body = commandList(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto result = decodeBody<CommandsResponse>(body);
        benchmark::DoNotOptimize(result);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * body.size()));
}
BENCHMARK(BM_DecodeCommandsResponse)->Arg(10)->Arg(100)->Arg(1000);

void BM_DecodeUserResponse(benchmark::State& state) {
    User user;
    user.name = "Ada";
    user.email = "ada@example.com";
    user.plan = "Pro";
    user.createdAt = "2025-12-01T00:00:00.000Z";
    const std::string body = toJson(UserResponse{user}).dump();
    for (auto _ : state) {
        auto result = decodeBody<UserResponse>(body);
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_DecodeUserResponse);

} // namespace

BENCHMARK_MAIN();
