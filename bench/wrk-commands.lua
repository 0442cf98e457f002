-- GET the command list, as the bench accounts in turn.
dofile(os.getenv("SCRIBEON_BENCH_DIR") .. "/wrk-tokens.lua")

request = function()
    wrk.headers["Authorization"] = next_authorization()
    return wrk.format()
end
