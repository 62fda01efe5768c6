#include "redis_entry_store.h"

#include <hiredis/hiredis.h>

#include <charconv>

namespace lobbyfind::directory_service {

namespace {

// Helpers every script starts with. Entry arguments come as
// ip, port, servername, map, version, created, lastupdate, keep_ms.
constexpr const char* kCommon = R"LUA(
local p = 'lobbyfind:'
local fields = {'servername', 'map', 'version', 'created', 'lastupdate'}
local function entry_key(id) return p .. 'entry:' .. id end
local function split(id)
  local at = string.find(id, '|[^|]*$')
  return string.sub(id, 1, at - 1), string.sub(id, at + 1)
end
local function changed() redis.call('INCR', p .. 'changes') end
local function remove(id)
  local ip, port = split(id)
  local existed = redis.call('DEL', entry_key(id))
  local member = redis.call('HGET', p .. 'members', id)
  if member then redis.call('ZREM', p .. 'order', member) end
  redis.call('HDEL', p .. 'members', id)
  redis.call('ZREM', p .. 'updated', id)
  redis.call('SREM', p .. 'ip:' .. ip, port)
  return existed
end
local function purge(before)
  local n = 0
  for _, id in ipairs(redis.call('ZRANGEBYSCORE', p .. 'updated', '-inf', '(' .. before)) do
    n = n + remove(id)
  end
  return n
end
local function count_ip(ip)
  local n = 0
  for _, port in ipairs(redis.call('SMEMBERS', p .. 'ip:' .. ip)) do
    n = n + redis.call('EXISTS', entry_key(ip .. '|' .. port))
  end
  return n
end
local function put(a, created)
  local id = a[1] .. '|' .. a[2]
  local key = entry_key(id)
  local member = redis.call('HGET', p .. 'members', id)
  -- An entry Redis dropped by itself left its place in the order behind.
  if member and redis.call('EXISTS', key) == 0 then
    redis.call('ZREM', p .. 'order', member)
    member = nil
  end
  if not member then
    member = string.format('%016d', redis.call('INCR', p .. 'seq')) .. '|' .. id
    redis.call('HSET', p .. 'members', id, member)
  end
  redis.call('HSET', key, 'servername', a[3], 'map', a[4], 'version', a[5], 'created', created, 'lastupdate', a[7])
  redis.call('PEXPIRE', key, a[8])
  redis.call('ZADD', p .. 'order', created, member)
  redis.call('ZADD', p .. 'updated', a[7], id)
  redis.call('SADD', p .. 'ip:' .. a[1], a[2])
end
)LUA";

constexpr const char* kPut = "put(ARGV, ARGV[6]) changed()";

constexpr const char* kRemoveByIp = R"LUA(
local n = 0
for _, port in ipairs(redis.call('SMEMBERS', p .. 'ip:' .. ARGV[1])) do n = n + remove(ARGV[1] .. '|' .. port) end
if n > 0 then changed() end
return n
)LUA";

constexpr const char* kRemoveUpdatedBefore = R"LUA(
local n = purge(ARGV[1])
if n > 0 then changed() end
return n
)LUA";

constexpr const char* kCountByIp = "return count_ip(ARGV[1])";

// Seven texts per entry: ip, port, servername, map, version, created, lastupdate.
constexpr const char* kUpdatedSince = R"LUA(
local since = tonumber(ARGV[1])
local out = {}
for _, member in ipairs(redis.call('ZRANGE', p .. 'order', 0, -1)) do
  local id = string.sub(member, 18)
  if redis.call('HGET', p .. 'members', id) == member then
    local f = redis.call('HMGET', entry_key(id), unpack(fields))
    if f[5] and tonumber(f[5]) >= since then
      local ip, port = split(id)
      for _, v in ipairs({ip, port, f[1], f[2], f[3], f[4], f[5]}) do out[#out + 1] = v end
    end
  end
end
return out
)LUA";

// After the entry: max_per_ip, max_entries, expired_before. Returns the
// outcome, the number expired and the previous entry's five fields, if any.
// Other instances are told of a change only when their lobbies would see one
// ("lastupdate" is shown to the second).
constexpr const char* kAnnounce = R"LUA(
local expired = purge(ARGV[11])
local prev = redis.call('HMGET', entry_key(ARGV[1] .. '|' .. ARGV[2]), unpack(fields))
local outcome = 'stored'
local created = ARGV[6]
if prev[4] then
  created = prev[4]
elseif count_ip(ARGV[1]) >= tonumber(ARGV[9]) then
  outcome = 'address-full'
elseif redis.call('ZCARD', p .. 'updated') >= tonumber(ARGV[10]) then
  outcome = 'directory-full'
end
local shown = not prev[4] or prev[1] ~= ARGV[3] or prev[2] ~= ARGV[4] or prev[3] ~= ARGV[5] or
              math.floor(tonumber(prev[5]) / 1000) ~= math.floor(tonumber(ARGV[7]) / 1000)
if outcome == 'stored' then put(ARGV, created) end
if expired > 0 or (outcome == 'stored' and shown) then changed() end
local reply = {outcome, expired}
if prev[4] then for i = 1, 5 do reply[#reply + 1] = prev[i] end end
return reply
)LUA";

std::int64_t Int(const std::string& text) {
  std::int64_t n = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (ec != std::errc{} || end != text.data() + text.size())
    throw StoreError("unexpected number in Redis: " + text);
  return n;
}

std::size_t Integer(const redisReply& reply) { return static_cast<std::size_t>(reply.integer); }

std::string Element(const redisReply& reply, std::size_t i) { return ReplyText(*reply.element[i]); }

// An entry from five texts of a reply, in the order servername, map, version,
// created, lastupdate, starting at `first`.
ServerEntry EntryAt(const redisReply& reply, std::size_t first, std::string ip, int port) {
  return {std::move(ip),
          port,
          Element(reply, first),
          Element(reply, first + 1),
          Element(reply, first + 2),
          Int(Element(reply, first + 3)),
          Int(Element(reply, first + 4))};
}

}  // namespace

RedisEntryStore::RedisEntryStore(RedisAddress address, std::int64_t keep_ms)
    : connection_(std::move(address)), keep_ms_(keep_ms) {}

RedisReply RedisEntryStore::Script(const char* body, std::vector<std::string> args) {
  // EVAL rather than EVALSHA: Redis keeps the compiled script under its
  // digest anyway, and a restarted Redis, which has forgotten it, needs no
  // second round trip.
  args.insert(args.begin(), {"EVAL", std::string(kCommon) + body, "0"});
  return connection_.Command(args);
}

std::vector<std::string> RedisEntryStore::EntryArgs(const ServerEntry& e) const {
  return {e.ip,
          std::to_string(e.port),
          e.servername,
          e.map,
          e.version,
          std::to_string(e.created_ms),
          std::to_string(e.lastupdate_ms),
          std::to_string(keep_ms_)};
}

std::optional<ServerEntry> RedisEntryStore::Find(const std::string& ip, int port) {
  const auto reply = connection_.Command({"HMGET", "lobbyfind:entry:" + ip + "|" + std::to_string(port),
                                          "servername", "map", "version", "created", "lastupdate"});
  if (reply->elements != 5 || ReplyIsNil(*reply->element[4])) return std::nullopt;
  return EntryAt(*reply, 0, ip, port);
}

void RedisEntryStore::Put(const ServerEntry& entry) { Script(kPut, EntryArgs(entry)); }

std::size_t RedisEntryStore::RemoveByIp(const std::string& ip) { return Integer(*Script(kRemoveByIp, {ip})); }

std::size_t RedisEntryStore::RemoveUpdatedBefore(std::int64_t ms) {
  return Integer(*Script(kRemoveUpdatedBefore, {std::to_string(ms)}));
}

std::size_t RedisEntryStore::CountByIp(const std::string& ip) { return Integer(*Script(kCountByIp, {ip})); }

std::size_t RedisEntryStore::Count() { return Integer(*connection_.Command({"ZCARD", "lobbyfind:updated"})); }

std::vector<ServerEntry> RedisEntryStore::UpdatedSince(std::int64_t ms) {
  const auto reply = Script(kUpdatedSince, {std::to_string(ms)});
  std::vector<ServerEntry> entries;
  for (std::size_t i = 0; i + 7 <= reply->elements; i += 7) {
    entries.push_back(
        EntryAt(*reply, i + 2, Element(*reply, i), static_cast<int>(Int(Element(*reply, i + 1)))));
  }
  return entries;
}

AnnounceResult RedisEntryStore::Announce(ServerEntry entry, const AnnounceLimits& limits) {
  auto args = EntryArgs(entry);
  args.push_back(std::to_string(limits.max_per_ip));
  args.push_back(std::to_string(limits.max_entries));
  args.push_back(std::to_string(limits.expired_before_ms));
  const auto reply = Script(kAnnounce, args);
  if (reply->elements < 2) throw StoreError("unexpected reply from Redis to an announcement");
  AnnounceResult result;
  const std::string outcome = Element(*reply, 0);
  result.outcome = outcome == "address-full"     ? AnnounceOutcome::kAddressFull
                   : outcome == "directory-full" ? AnnounceOutcome::kDirectoryFull
                                                 : AnnounceOutcome::kStored;
  result.expired = Integer(*reply->element[1]);
  if (reply->elements == 7) {
    result.previous = EntryAt(*reply, 2, entry.ip, entry.port);
  }
  return result;
}

void RedisEntryStore::Ping() { connection_.Command({"PING"}); }

}  // namespace lobbyfind::directory_service
