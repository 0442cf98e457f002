wrk.headers["Authorization"] = "Bearer " .. os.getenv("SCRIBEON_BENCH_TOKEN")
