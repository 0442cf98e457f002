-- POST one short text to a built-in transform, as the bench accounts in turn.
dofile(os.getenv("SCRIBEON_BENCH_DIR") .. "/wrk-tokens.lua")
wrk.method = "POST"
wrk.body = '{"text":"hello   world .this is  fine ,right?yes"}'
wrk.headers["Content-Type"] = "application/json"

request = function()
    wrk.headers["Authorization"] = next_authorization()
    return wrk.format()
end
