"""A structural reader of ASF files for tests: every object, packet and payload, with checks."""
import struct
import uuid


def guid(text):
    return uuid.UUID(text).bytes_le


HEADER = guid("75B22630-668E-11CF-A6D9-00AA0062CE6C")
DATA = guid("75B22636-668E-11CF-A6D9-00AA0062CE6C")
SIMPLE_INDEX = guid("33000890-E5B1-11CF-89F4-00A0C90349CB")
FILE_PROPERTIES = guid("8CABDCA1-A947-11CF-8EE4-00C00C205365")
STREAM_PROPERTIES = guid("B7DC0791-A9B7-11CF-8EE6-00C00C205365")
HEADER_EXTENSION = guid("5FBF03B5-A92E-11CF-8EE3-00C00C205365")
CODEC_LIST = guid("86D15240-311D-11D0-A3A4-00A0C90348F6")
EXTENDED_STREAM_PROPERTIES = guid("14E6A5CB-C672-4332-8399-A96952065B5A")
AUDIO_MEDIA = guid("F8699E40-5B4D-11CF-A8FD-00805F5C442B")
VIDEO_MEDIA = guid("BC19EFC0-5B4D-11CF-A8FD-00805F5C442B")


class AsfError(AssertionError):
    pass


def check(condition, message):
    if not condition:
        raise AsfError(message)


def objects(buf, start, end):
    """(guid, offset, size) of the objects that must exactly fill buf[start:end]."""
    found = []
    pos = start
    while pos < end:
        check(end - pos >= 24, f"object header cut at {pos}")
        oid = buf[pos:pos + 16]
        size = struct.unpack_from("<Q", buf, pos + 16)[0]
        check(size >= 24 and pos + size <= end, f"object at {pos} of size {size} overruns {end}")
        found.append((oid, pos, size))
        pos += size
    check(pos == end, "objects do not add up")
    return found


def text(buf, pos, count):
    raw = buf[pos:pos + 2 * count].decode("utf-16-le")
    return raw.rstrip("\0")


class AsfFile:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.buf = buf = f.read()
        self.streams = {}
        self.extended = {}
        self.codecs = []
        check(buf[:16] == HEADER, "file does not start with a header object")
        self.header_size = hsize = struct.unpack_from("<Q", buf, 16)[0]
        check(30 <= hsize <= len(buf), "header size")
        self._read_header(0, hsize)
        check(buf[hsize:hsize + 16] == DATA, "the data object does not follow the header")
        self.index = None
        # A broadcast file (one whose writing never ended) has no sizes: its packets run to the end.
        self.broadcast = bool(self.flags & 0x01)
        if self.broadcast:
            check(struct.unpack_from("<Q", buf, hsize + 16)[0] == 0, "broadcast data object size is 0")
            packets, rest = divmod(len(buf) - hsize - 50, self.max_packet)
            check(rest == 0, "broadcast data holds whole packets")
            self._read_data(hsize, 50 + packets * self.max_packet, packets)
            return
        top = objects(buf, 0, len(buf))
        check(top[1][0] == DATA, "the data object does not follow the header")
        self._read_data(top[1][1], top[1][2], self.packet_count)
        for oid, pos, size in top[2:]:
            if oid == SIMPLE_INDEX:
                self._read_index(pos, size)

    def _read_header(self, pos, size):
        buf = self.buf
        count = struct.unpack_from("<I", buf, pos + 24)[0]
        check(buf[pos + 28:pos + 30] == b"\x01\x02", "header reserved bytes")
        subs = objects(buf, pos + 30, pos + size)
        check(len(subs) == count, f"header says {count} objects, holds {len(subs)}")
        ids = [s[0] for s in subs]
        check(ids.count(FILE_PROPERTIES) == 1, "one file properties object")
        check(ids.count(HEADER_EXTENSION) == 1, "one header extension object")
        for oid, at, osize in subs:
            if oid == FILE_PROPERTIES:
                self._read_file_properties(at, osize)
            elif oid == STREAM_PROPERTIES:
                self._read_stream_properties(at, osize)
            elif oid == HEADER_EXTENSION:
                self._read_header_extension(at, osize)
            elif oid == CODEC_LIST:
                self._read_codec_list(at, osize)

    def _read_file_properties(self, pos, size):
        check(size == 104, "file properties size")
        (self.file_id, self.file_size, _created, self.packet_count, self.play_duration,
         self.send_duration, self.preroll, self.flags, self.min_packet, self.max_packet,
         self.max_bitrate) = struct.unpack_from("<16sQQQQQQIIII", self.buf, pos + 24)

    def _read_stream_properties(self, pos, size):
        buf = self.buf
        stype, _ecc, _offset, tsize, esize, flags = struct.unpack_from("<16s16sQIIH", buf, pos + 24)
        check(78 + tsize + esize == size, "stream properties sizes")
        number = flags & 0x7F
        data = buf[pos + 78:pos + 78 + tsize]
        info = {"type": "video" if stype == VIDEO_MEDIA else "audio" if stype == AUDIO_MEDIA else "?"}
        if info["type"] == "video":
            width, height, _res, fsize = struct.unpack_from("<IIBH", data, 0)
            check(11 + fsize == tsize, "video format data size")
            bi_size, bi_width, bi_height = struct.unpack_from("<Iii", data, 11)
            info.update(width=width, height=height, fourcc=data[11 + 16:11 + 20].decode("latin-1"),
                        bi_size=bi_size)
            check((bi_width, abs(bi_height)) == (width, height), "encoded size matches the bitmap header")
        else:
            tag, channels, rate = struct.unpack_from("<HHI", data, 0)
            cb = struct.unpack_from("<H", data, 16)[0]
            check(18 + cb == tsize, "wave format size")
            info.update(tag=tag, channels=channels, rate=rate)
        check(number not in self.streams, "stream numbers are unique")
        self.streams[number] = info

    def _read_header_extension(self, pos, size):
        buf = self.buf
        reserved2, dsize = struct.unpack_from("<HI", buf, pos + 40)
        check(reserved2 == 6 and 46 + dsize == size, "header extension sizes")
        for oid, at, osize in objects(buf, pos + 46, pos + size):
            if oid == EXTENDED_STREAM_PROPERTIES:
                f = struct.unpack_from("<QQIIIIIIIIHHQHH", buf, at + 24)
                self.extended[f[10]] = {"buffer": f[3], "max_object": f[8], "avg_time_per_frame": f[12]}
                check(osize == 88, "extended stream properties without names or extensions")

    def _read_codec_list(self, pos, size):
        buf = self.buf
        count = struct.unpack_from("<I", buf, pos + 40)[0]
        at = pos + 44
        for _ in range(count):
            ctype, nlen = struct.unpack_from("<HH", buf, at)
            name = text(buf, at + 4, nlen)
            at += 4 + 2 * nlen
            dlen = struct.unpack_from("<H", buf, at)[0]
            desc = text(buf, at + 2, dlen)
            at += 2 + 2 * dlen
            ilen = struct.unpack_from("<H", buf, at)[0]
            self.codecs.append({"type": ctype, "name": name, "description": desc,
                                "info": buf[at + 2:at + 2 + ilen]})
            at += 2 + ilen
        check(at == pos + size, "codec list entries add up")

    def _read_data(self, pos, size, packets):
        buf = self.buf
        file_id, declared, reserved = struct.unpack_from("<16sQH", buf, pos + 24)
        check(file_id == self.file_id, "data object file id")
        check(reserved == 0x0101, "data object reserved field")
        check(self.min_packet == self.max_packet, "fixed packet size")
        psize = self.max_packet
        check(size == 50 + packets * psize, "data object holds whole packets")
        check(declared == (0 if self.broadcast else packets), "packet counts agree")
        self.packets = []
        self.objects = {}  # (stream, object number, presentation) -> dict
        self.media_objects = []
        for i in range(packets):
            self._read_packet(i, pos + 50 + i * psize, psize)
        for obj in self.media_objects:
            check(obj["received"] == obj["size"], f"object of stream {obj['stream']} is complete")

    def _read_packet(self, number, pos, psize):
        buf = self.buf
        check(buf[pos] == 0x82 and buf[pos + 1:pos + 3] == b"\0\0", "error correction data")
        length_flags, prop_flags = buf[pos + 3], buf[pos + 4]
        check(length_flags == 0x11 and prop_flags == 0x5D, "packet flags")
        padding, send, duration, pflags = struct.unpack_from("<HIHB", buf, pos + 5)
        count = pflags & 0x3F
        check(pflags & 0xC0 == 0x80 and count > 0, "payload flags")
        at = pos + 14
        for _ in range(count):
            stream_byte, objnum, offset, rlen = struct.unpack_from("<BBIB", buf, at)
            check(rlen == 8, "replicated data of object size and time")
            osize, pres, plen = struct.unpack_from("<IIH", buf, at + 7)
            at += 17
            stream = stream_byte & 0x7F
            check(stream in self.streams, f"payload of unknown stream {stream}")
            key = (stream, objnum)
            if offset == 0:
                obj = {"stream": stream, "number": objnum, "size": osize, "time": pres,
                       "key": bool(stream_byte & 0x80), "received": 0, "first_packet": number}
                self.media_objects.append(obj)
                self.objects[key] = obj
            else:
                obj = self.objects.get(key)
                check(obj is not None and obj["received"] == offset, "fragments arrive in order")
                check(obj["size"] == osize and obj["time"] == pres, "fragments agree on the object")
            obj["received"] += plen
            obj["last_packet"] = number
            at += plen
        check(at + padding == pos + psize, "payloads and padding fill the packet")
        check(all(b == 0 for b in buf[at:pos + psize]), "padding is zero")
        self.packets.append({"send": send, "duration": duration, "payloads": count})

    def _read_index(self, pos, size):
        buf = self.buf
        file_id, interval, max_count, count = struct.unpack_from("<16sQII", buf, pos + 24)
        check(file_id == self.file_id, "index file id")
        check(56 + 6 * count == size, "index size")
        entries = [struct.unpack_from("<IH", buf, pos + 56 + 6 * i) for i in range(count)]
        self.index = {"interval": interval, "max_count": max_count, "entries": entries}
