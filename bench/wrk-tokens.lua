-- The bench accounts' tokens (SCRIBEON_BENCH_TOKENS, comma-separated, or the
-- one SCRIBEON_BENCH_TOKEN); each request uses the next, so the load is
-- spread over the accounts as many users' would be.
local tokens = {}
for token in string.gmatch(os.getenv("SCRIBEON_BENCH_TOKENS") or
                           os.getenv("SCRIBEON_BENCH_TOKEN"), "[^,]+") do
    tokens[#tokens + 1] = token
end
local turn = math.random(1, #tokens)

function next_authorization()
    turn = turn % #tokens + 1
    return "Bearer " .. tokens[turn]
end
