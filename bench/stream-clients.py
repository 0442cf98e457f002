#!/usr/bin/python3
# Opens N streamed process requests at once against a scribeon-server and
# reads each to its end; prints how they ended and the time to their first
# text (median, p95, max).
#
#   stream-clients.py PORT CODE TOKENS N
import asyncio
import statistics
import sys
import time


async def one(port, code, token, tally, firsts):
    body = b'{"text":"a text to stream"}'
    started = time.monotonic()
    try:
        reader, writer = await asyncio.open_connection("127.0.0.1", port)
        writer.write(f"POST /api/v1/commands/{code}/process HTTP/1.1\r\nHost: bench\r\n"
                     f"Authorization: Bearer {token}\r\nAccept: text/event-stream\r\n"
                     f"Content-Type: application/json\r\nContent-Length: {len(body)}\r\n"
                     "Connection: close\r\n\r\n".encode() + body)
        seen, first = b"", False
        while True:
            data = await reader.read(65536)
            if not data:
                break
            seen = (seen + data)[-65536:]
            if not first and b"event: delta" in seen:
                first = True
                firsts.append(time.monotonic() - started)
            if b"event: done" in seen or b"event: error" in seen:
                break
        ended = "done" if b"event: done" in seen else "error" if b"event: error" in seen else "cut"
        writer.close()
    except OSError:
        ended = "failed to connect"
    tally[ended] = tally.get(ended, 0) + 1


async def main():
    port, code, tokens, count = int(sys.argv[1]), sys.argv[2], sys.argv[3].split(","), int(sys.argv[4])
    tally, firsts = {}, []
    started = time.monotonic()
    await asyncio.gather(*(one(port, code, tokens[i % len(tokens)], tally, firsts)
                           for i in range(count)))
    firsts.sort()
    print(f"streams: {count}, ended: {tally}, wall: {time.monotonic() - started:.1f} s")
    if firsts:
        print(f"first text after: median {statistics.median(firsts) * 1000:.0f} ms, "
              f"p95 {firsts[int(len(firsts) * 0.95) - 1] * 1000:.0f} ms, max {firsts[-1] * 1000:.0f} ms")


asyncio.run(main())
