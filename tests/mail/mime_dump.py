#!/usr/bin/python3
"""Parses a stored message with Python's own MIME parser and prints what a
mail reader would see, as JSON: decoded headers, and for every leaf part its
type, charset, file name and decoded bytes (base64)."""
import base64
import email
import email.policy
import json
import sys

with open(sys.argv[1], "rb") as f:
    msg = email.message_from_binary_file(f, policy=email.policy.default)

out = {k.lower(): str(msg[k]) for k in ("Subject", "From", "To", "Cc", "Bcc", "Date", "Message-ID",
                                          "X-Envelope-From", "X-Envelope-To", "X-Auth-Mechanism") if msg[k] is not None}
out["defects"] = [type(d).__name__ for d in msg.defects]
parts = []
for part in msg.walk():
    if part.is_multipart():
        continue
    payload = part.get_payload(decode=True) or b""
    entry = {"type": part.get_content_type(), "charset": part.get_content_charset(),
             "filename": part.get_filename(), "bytes": base64.b64encode(payload).decode("ascii"),
             "defects": [type(d).__name__ for d in part.defects]}
    if part.get_content_maintype() == "text" and part.get_filename() is None:
        entry["text"] = part.get_content()
    parts.append(entry)
out["parts"] = parts
print(json.dumps(out))
