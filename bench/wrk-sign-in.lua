-- Sign-in attempts for SCRIBEON_BENCH_EMAIL with SCRIBEON_BENCH_PASSWORD; with
-- SCRIBEON_BENCH_UNIQUE set, every request names a new made-up e-mail
-- instead, as an attacker filling the server's memory would.
local email = os.getenv("SCRIBEON_BENCH_EMAIL")
local password = os.getenv("SCRIBEON_BENCH_PASSWORD")
local unique = os.getenv("SCRIBEON_BENCH_UNIQUE")
local counter = 0
local thread_tag = tostring(math.random(1, 1e9))

wrk.method = "POST"
wrk.headers["Content-Type"] = "application/json"

request = function()
    counter = counter + 1
    local who = email
    if unique then
        who = string.format("user-%s-%d-%s@example.com", thread_tag, counter, string.rep("x", 200))
    end
    return wrk.format(nil, nil, nil,
        string.format('{"email":"%s","password":"%s"}', who, password))
end
