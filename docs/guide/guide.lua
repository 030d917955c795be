-- A pandoc filter that makes one page of the offline guide: a Markdown page
-- of docs/ (read as GitHub's Markdown, so headings get GitHub's ids), a
-- source file shown as code, a folder's listing, or the entry page. Every
-- link and picture that leads to a file of the checkout is pointed at the
-- place where the guide carries that file, anchors kept, and the filter
-- prints one line per such file, so that build_guide.cmake renders or copies
-- it too:
--   KIND <tab> PATH IN THE CHECKOUT <tab> PATH IN THE GUIDE
-- KIND is page, source, picture or folder; missing and outside (a link to
-- nothing, or out of the checkout) name the link as written and are left as
-- they are.
--
-- Metadata it reads (-M):
--   guide-root    the checkout's folder
--   guide-mode    page, source, folder or entry
--   guide-source  the page's path in the checkout (docs/tour.md), the file
--                 to show (source), or the folder to list (folder); links
--                 are resolved from its folder, or from the folder itself
--   guide-output  where the page lands, from the folder holding guide.html
--   guide-entries the folder's files, subfolders ending in / (folder)
--   guide-first, guide-rest  the pages the entry page lists, in order
--
-- Where a file lands (the one place that says so):
--   docs/X.md              guide/X.html
--   another page P.md      guide/P.html (README.md: guide/README.html)
--   docs/X.png (a picture) guide/X.png, copied as it is
--   docs/X/ (a folder)     guide/X/index.html, a listing; docs/ itself is
--                          guide.html, the entry page
--   any other file F       guide/source/F.html, F shown as code

local root, mode, source, output
local linked, linkedOrder = {}, {}

local pictureTypes = { png = true, gif = true, jpg = true, jpeg = true, svg = true, webp = true, bmp = true }
local codeLanguages = {
  c = "c", cc = "cpp", cpp = "cpp", h = "cpp", hpp = "cpp", cmake = "cmake", sh = "bash",
  py = "python", lua = "lua", json = "json", manifest = "xml", xml = "xml", html = "html",
  css = "css", md = "markdown",
}

local function stringList(value)
  if value == nil then return {} end
  if pandoc.utils.type(value) == "List" then
    local names = {}
    for _, v in ipairs(value) do names[#names + 1] = pandoc.utils.stringify(v) end
    return names
  end
  return { pandoc.utils.stringify(value) }
end

local function extension(path)
  return (path:match("%.([^./]+)$") or ""):lower()
end

local function folderOf(path)
  return path:match("^(.*)/[^/]*$") or ""
end

-- Resolves . and .. in a path relative to the checkout; nil when it
-- climbs out of it.
local function normalize(path)
  local parts = {}
  for part in path:gmatch("[^/]+") do
    if part == ".." then
      if #parts == 0 then return nil end
      parts[#parts] = nil
    elseif part ~= "." then
      parts[#parts + 1] = part
    end
  end
  return table.concat(parts, "/")
end

local function isFile(path)
  local f = io.open(path, "rb")
  if f then f:close() end
  return f ~= nil
end

-- Opening "X/." succeeds for a folder only.
local function isFolder(path)
  return isFile(path .. "/.")
end

local function place(path, kind)
  local inDocs = path:match("^docs/(.*)$")
  if kind == "folder" then
    if path == "docs" or path == "" then return "guide.html" end
    return "guide/" .. (inDocs or "source/" .. path) .. "/index.html"
  elseif kind == "page" then
    return "guide/" .. (inDocs or path):gsub("%.md$", "") .. ".html"
  elseif kind == "picture" then
    return "guide/" .. (inDocs or "source/" .. path)
  end
  return "guide/source/" .. path .. ".html"
end

-- The link from the page at output path `from` to the file at `to`, both
-- relative to the folder holding guide.html.
local function relative(from, to)
  local fromDirs, toParts = {}, {}
  for part in folderOf(from):gmatch("[^/]+") do fromDirs[#fromDirs + 1] = part end
  for part in to:gmatch("[^/]+") do toParts[#toParts + 1] = part end
  local common = 0
  while common < #fromDirs and common < #toParts - 1 and fromDirs[common + 1] == toParts[common + 1] do
    common = common + 1
  end
  local steps = {}
  for _ = common + 1, #fromDirs do steps[#steps + 1] = ".." end
  for i = common + 1, #toParts do steps[#steps + 1] = toParts[i] end
  return table.concat(steps, "/")
end

local function note(kind, path, where)
  local line = kind .. "\t" .. path .. "\t" .. where
  if not linked[line] then
    linked[line] = true
    linkedOrder[#linkedOrder + 1] = line
  end
end

local function decodePercent(text)
  return (text:gsub("%%(%x%x)", function(hex) return string.char(tonumber(hex, 16)) end))
end

-- Where a link or picture written in the page should lead in the guide.
local function rewrite(url, asPicture)
  if url == "" or url:match("^#") or url:match("^%a[%w+.-]*:") then return url end
  local path, fragment = url:match("^([^#]*)(.*)$")
  path = decodePercent(path:gsub("%?.*$", ""))
  local base = mode == "folder" and source or folderOf(source)
  local resolved
  if path:sub(1, 1) == "/" then
    resolved = normalize(path)
  else
    resolved = normalize(base == "" and path or base .. "/" .. path)
  end
  if resolved == nil then
    note("outside", url, "")
    return url
  end
  local full = root .. "/" .. resolved
  local kind
  if isFolder(full) then
    kind = "folder"
  elseif not isFile(full) then
    note("missing", url, "")
    return url
  elseif asPicture or pictureTypes[extension(resolved)] then
    kind = "picture"
  elseif extension(resolved) == "md" then
    kind = "page"
  else
    kind = "source"
  end
  local where = place(resolved, kind)
  if where ~= "guide.html" then note(kind, resolved, where) end
  return relative(output, where):gsub(" ", "%%20") .. fragment
end

-- A link inside a heading would nest links in the entry page's contents.
local function withoutLinks(inlines)
  local plain = pandoc.List()
  for _, inline in ipairs(inlines) do
    if inline.t == "Link" then
      plain:extend(inline.content)
    else
      plain:insert(inline)
    end
  end
  return plain
end

local function sourcePage()
  local file = io.open(root .. "/" .. source, "rb")
  if not file then error("cannot read " .. root .. "/" .. source) end
  local text = file:read("a"):gsub("\r\n", "\n"):gsub("\n$", "")
  file:close()
  local name = source:match("[^/]*$")
  local language = name == "CMakeLists.txt" and "cmake" or codeLanguages[extension(name)]
  local classes = language and { language, "numberLines" } or {}
  return {
    pandoc.Header(1, { pandoc.Code(source) }),
    pandoc.Para({ pandoc.Str("Tidewick's file "), pandoc.Code(source), pandoc.Str(", as this guide was built.") }),
    pandoc.CodeBlock(text, pandoc.Attr("", classes)),
  }
end

-- Its pictures, each a link to itself at full size, then its other files.
local function folderPage(entries)
  local pictures, others = pandoc.List(), pandoc.List()
  for _, name in ipairs(entries) do
    if pictureTypes[extension(name)] then
      pictures:insert(pandoc.Div({
        pandoc.Para({ pandoc.Link({ pandoc.Image({ pandoc.Str(name) }, name) }, name) }),
        pandoc.Para({ pandoc.Code(name) }),
      }))
    else
      others:insert({ pandoc.Plain({ pandoc.Link({ pandoc.Code(name) }, name) }) })
    end
  end
  local blocks = { pandoc.Header(1, { pandoc.Str("The folder "), pandoc.Code(source .. "/") }) }
  if #pictures > 0 then
    blocks[#blocks + 1] = pandoc.Para({ pandoc.Str("Click a picture to see it at full size.") })
    blocks[#blocks + 1] = pandoc.Div(pictures, pandoc.Attr("", { "pictures" }))
  end
  if #others > 0 then blocks[#blocks + 1] = pandoc.BulletList(others) end
  return blocks
end

-- One item per page: its title, then its sections, each a link.
local function contents(pages)
  local items = pandoc.List()
  for _, page in ipairs(pages) do
    local file = io.open(root .. "/" .. page, "rb")
    if not file then error("cannot read " .. root .. "/" .. page) end
    local doc = pandoc.read(file:read("a"), "gfm")
    file:close()
    local title, titled, sections = { pandoc.Str(page) }, false, pandoc.List()
    for _, block in ipairs(doc.blocks) do
      if block.t == "Header" and block.level == 1 and not titled then
        title, titled = withoutLinks(block.content), true
      elseif block.t == "Header" and block.level == 2 then
        sections:insert({ pandoc.Plain({ pandoc.Link(withoutLinks(block.content), page .. "#" .. block.identifier) }) })
      end
    end
    -- A page from outside docs/ (the README) is named too: its title alone
    -- would not say what it is.
    if not page:match("^docs/") then
      title = pandoc.List(title)
      title:extend({ pandoc.Space(), pandoc.Str("("), pandoc.Code(page), pandoc.Str(")") })
    end
    local item = { pandoc.Para({ pandoc.Strong({ pandoc.Link(title, page) }) }) }
    if #sections > 0 then item[2] = pandoc.BulletList(sections) end
    items:insert(item)
  end
  return pandoc.BulletList(items)
end

local function build(doc)
  local meta = doc.meta
  root = pandoc.utils.stringify(meta["guide-root"])
  mode = meta["guide-mode"] and pandoc.utils.stringify(meta["guide-mode"]) or "page"
  source = pandoc.utils.stringify(meta["guide-source"])
  output = pandoc.utils.stringify(meta["guide-output"])
  if mode == "source" then
    doc.blocks = sourcePage()
  elseif mode == "folder" then
    doc.blocks = folderPage(stringList(meta["guide-entries"]))
  elseif mode == "entry" then
    local first, rest = stringList(meta["guide-first"]), stringList(meta["guide-rest"])
    doc.blocks:insert(pandoc.Header(2, { pandoc.Str("For learners and teachers") }, pandoc.Attr("for-learners-and-teachers")))
    doc.blocks:insert(contents(first))
    if #rest > 0 then
      doc.blocks:insert(pandoc.Header(2, { pandoc.Str("More about Tidewick") }, pandoc.Attr("more-about-tidewick")))
      doc.blocks:insert(contents(rest))
    end
  end
  return doc
end

local function finish(doc)
  local title
  for _, block in ipairs(doc.blocks) do
    if block.t == "Header" and block.level == 1 then
      title = pandoc.utils.stringify(block.content)
      break
    end
  end
  doc.meta.pagetitle = title or source
  doc.meta["guide-css"] = relative(output, "guide/guide.css")
  if output ~= "guide.html" then doc.meta["guide-home"] = relative(output, "guide.html") end
  if mode == "source" then doc.meta["guide-wide"] = true end
  for _, line in ipairs(linkedOrder) do io.stdout:write(line, "\n") end
  return doc
end

return {
  { Pandoc = build },
  {
    Link = function(link)
      link.target = rewrite(link.target, false)
      return link
    end,
    Image = function(image)
      image.src = rewrite(image.src, true)
      return image
    end,
  },
  { Pandoc = finish },
}
