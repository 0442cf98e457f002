-- POST one short text to a built-in transform; the token comes from the environment.
wrk.method = "POST"
wrk.body = '{"text":"hello   world .this is  fine ,right?yes"}'
wrk.headers["Content-Type"] = "application/json"
wrk.headers["Authorization"] = "Bearer " .. os.getenv("SCRIBEON_BENCH_TOKEN")
