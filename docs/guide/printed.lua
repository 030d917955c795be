-- A pandoc filter for a page that is printed but not carried in the guide
-- (the teacher's answers, docs/teacher/answers.md): rendered with the
-- guide's template and stylesheet, it lies in the build folder, far from
-- the pictures it names. So its pictures point at the checkout's own files,
-- and its title is its first heading, as the guide's pages have it.
-- Metadata it reads (-M): guide-css, the stylesheet's file: URL.

local folder = PANDOC_STATE.input_files[1]:match("^(.*)/[^/]*$") or "."

local function fileUrl(path)
  return "file://" .. path:gsub("[^%w/._~-]", function(c) return string.format("%%%02X", c:byte()) end)
end

return {
  {
    Image = function(image)
      if not image.src:match("^%a[%w+.-]*:") and not image.src:match("^/") then
        image.src = fileUrl(folder .. "/" .. image.src)
      end
      return image
    end,
  },
  {
    Pandoc = function(doc)
      for _, block in ipairs(doc.blocks) do
        if block.t == "Header" and block.level == 1 then
          doc.meta.pagetitle = pandoc.utils.stringify(block.content)
          break
        end
      end
      return doc
    end,
  },
}
