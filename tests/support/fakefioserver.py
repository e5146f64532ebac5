#!/usr/bin/env python3
# Listens like "fio --server" and answers every connection with a command
# header of another protocol version, as an older or newer fio would.
# Usage: fakefioserver.py HOST PORT VERSION
import socket
import struct
import sys


def crc16(data):
    # fio's crc16: the reflected 0x8005 polynomial, starting from zero.
    crc = 0
    for byte in data:
        crc ^= byte
        for _ in range(8):
            crc = (crc >> 1) ^ 0xA001 if crc & 1 else crc >> 1
    return crc


host, port, version = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
listener.bind((host, port))
listener.listen()
print("listening", flush=True)
while True:
    connection, _ = listener.accept()
    connection.recv(65536)  # the client's probe; closing unread would reset the connection
    # version, opcode (probe), flags, tag, payload length
    head = struct.pack("<HHIQI", version, 10, 0, 0, 0)
    connection.sendall(head + struct.pack("<HH", crc16(head), 0))
    while connection.recv(65536):
        pass
    connection.close()
