#!/usr/bin/python3
# A stand-in for an OpenAI-style chat-completions back end on loopback, for
# the server tests, the end-to-end runs and the benches. Prints
# "fake-chat listening on PORT" once it accepts connections.
#
#   fake_chat_completions.py [--port N] [--pace-ms MS]
#
# POST /v1/chat/completions answers as the system prompt (the command's
# prompt) says, when that prompt is a JSON object; otherwise it streams the
# user's text back a word at a time. Keys of the object:
#   reply           the answer (default: the user's text), sent a word a time
#   deltas          the answer's pieces instead, each one chunk
#   repeat          the pieces this many times over
#   pace_ms         pause between chunks (or writes, with write_bytes)
#   first_delay_ms  pause after the head, before the first chunk
#   write_bytes     the whole stream cut into writes of this many bytes, so
#                   lines, JSON and UTF-8 characters are split across reads
#   finish          the last chunk's finish_reason (default "stop")
#   drop_after      close the connection after this many chunks, no [DONE]
#   pause_after     after this many chunks wait for POST /control/resume
#   plain           answer one JSON body, as a back end ignoring "stream"
#   status          answer this status with an error body
# GET /control/requests lists every request: its body, its Authorization
# header, and when (time.time()) it started, sent its first chunk, ended and
# saw its client go away. POST /control/resume lets paused answers go on.
import argparse
import asyncio
import json
import socket
import sys
import time

requests = []
resumed = None  # an asyncio.Event, replaced after each resume


def chunk(content=None, finish=None):
    delta = {} if content is None else {"content": content}
    return {"id": "fake", "object": "chat.completion.chunk",
            "choices": [{"index": 0, "delta": delta, "finish_reason": finish}]}


def event(data):
    text = data if isinstance(data, str) else json.dumps(data, ensure_ascii=False)
    return ("data: " + text + "\n\n").encode()


def script_of(body):
    messages = body.get("messages") or []
    system = next((m.get("content", "") for m in messages if m.get("role") == "system"), "")
    user = next((m.get("content", "") for m in messages if m.get("role") == "user"), "")
    try:
        script = json.loads(system) if system.startswith("{") else {}
    except ValueError:
        script = {}
    reply = script.get("reply", user)
    if "deltas" not in script:
        words = reply.split(" ")
        script["deltas"] = [w + (" " if i + 1 < len(words) else "") for i, w in enumerate(words)]
    script["deltas"] = script["deltas"] * int(script.get("repeat", 1))
    return script


async def read_request(reader, writer):
    head = await reader.readuntil(b"\r\n\r\n")
    lines = head.decode("latin-1").split("\r\n")
    method, path, _ = lines[0].split(" ", 2)
    headers = {}
    for line in lines[1:]:
        if ":" in line:
            name, value = line.split(":", 1)
            headers[name.strip().lower()] = value.strip()
    if headers.get("expect", "").lower() == "100-continue":
        writer.write(b"HTTP/1.1 100 Continue\r\n\r\n")
    body = await reader.readexactly(int(headers.get("content-length", "0")))
    return method, path, headers, body


def respond(writer, status, body, content_type="application/json"):
    data = body if isinstance(body, bytes) else json.dumps(body).encode()
    writer.write(f"HTTP/1.1 {status} X\r\nContent-Type: {content_type}\r\n"
                 f"Content-Length: {len(data)}\r\nConnection: close\r\n\r\n".encode() + data)


class Gone(Exception):
    pass


async def chat(record, script, reader, writer, pace):
    gone = asyncio.ensure_future(reader.read(1))  # b"" once the client closes

    def note_gone(future):
        if not future.cancelled():
            future.exception()  # a reset is as good as a close
        if record["disconnected"] is None and not record["ended"]:
            record["disconnected"] = time.time()
    gone.add_done_callback(note_gone)

    async def wait(seconds=None, until=None):
        waits = [gone] + ([asyncio.ensure_future(until.wait())] if until else [])
        done, _ = await asyncio.wait(waits, timeout=seconds, return_when=asyncio.FIRST_COMPLETED)
        if gone in done:
            raise Gone()

    async def send(data):
        if gone.done():
            raise Gone()
        if record["first_byte"] is None:
            record["first_byte"] = time.time()
        try:
            writer.write(data)
            await writer.drain()
        except ConnectionError:  # gone while we were writing
            record["disconnected"] = record["disconnected"] or time.time()
            raise Gone()

    if "status" in script:
        respond(writer, script["status"], {"error": {"message": "fake failure"}})
        return
    await wait(script.get("first_delay_ms", 0) / 1000)
    finish = script.get("finish", "stop")
    if script.get("plain"):
        record["first_byte"] = time.time()
        respond(writer, 200, {"choices": [{"index": 0, "finish_reason": finish, "message": {
            "role": "assistant", "content": "".join(script["deltas"])}}]})
        return
    writer.write(b"HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\n"
                 b"Cache-Control: no-cache\r\nConnection: close\r\n\r\n")
    await writer.drain()
    events = [event(chunk(d)) for d in script["deltas"]]
    events.append(event(chunk(None, finish)) + event("[DONE]"))
    cut = script.get("write_bytes")
    for index, data in enumerate(events):
        if index == script.get("drop_after"):
            writer.transport.abort()
            return
        if index == script.get("pause_after"):
            await wait(until=resumed)
        pieces = [data[i:i + cut] for i in range(0, len(data), cut)] if cut else [data]
        for piece in pieces:
            await send(piece)
            if pace:
                await wait(pace)


async def serve(reader, writer, default_pace):
    writer.get_extra_info("socket").setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    try:
        method, path, headers, body = await read_request(reader, writer)
    except (asyncio.IncompleteReadError, ValueError, ConnectionError):
        writer.close()
        return
    try:
        if path == "/control/requests":
            respond(writer, 200, requests)
        elif path == "/control/resume":
            global resumed
            resumed.set()
            resumed = asyncio.Event()
            respond(writer, 200, {"resumed": True})
        elif method == "POST" and path.endswith("/chat/completions"):
            request = json.loads(body or b"{}")
            record = {"id": len(requests) + 1, "body": request,
                      "authorization": headers.get("authorization", ""),
                      "started": time.time(), "first_byte": None, "ended": None,
                      "disconnected": None}
            requests.append(record)
            script = script_of(request)
            try:
                await chat(record, script, reader, writer,
                           script.get("pace_ms", default_pace) / 1000)
            finally:
                record["ended"] = time.time()
        else:
            respond(writer, 404, {"error": {"message": "no such path"}})
        await writer.drain()
    except (Gone, ConnectionError):
        pass
    finally:
        writer.close()


async def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--pace-ms", type=float, default=20)
    options = parser.parse_args()
    global resumed
    resumed = asyncio.Event()
    server = await asyncio.start_server(lambda r, w: serve(r, w, options.pace_ms),
                                        "127.0.0.1", options.port, backlog=1024)
    print("fake-chat listening on", server.sockets[0].getsockname()[1], flush=True)
    async with server:
        await server.serve_forever()


if __name__ == "__main__":
    try:
        asyncio.run(main())
    except KeyboardInterrupt:
        sys.exit(0)
